// Numeric edit: number texts, range check, clean-up and key handling.
#include "controls/validedit.h"

#include <QLocale>
#include <QStringList>
#include <gtest/gtest.h>

#include <optional>
#include "qtapp.h"

using namespace numtext;

namespace {

void Type(QWidget* w, int key, const QString& text = QString()) { vxtest::Key(w, key, Qt::NoModifier, text); }
void TypeText(QWidget* w, const QString& s) {
    for (QChar c : s) Type(w, c.unicode() < 128 ? QChar(c).toUpper().unicode() : 0, QString(c));
}
void Backspace(QWidget* w) { Type(w, Qt::Key_Backspace, QStringLiteral("\b")); }

// Collects the messages the edit would show.
struct MessageCatcher {
    QStringList Shown;
    std::function<void(QWidget*, const QString&)> Saved = TNumberEdit::ShowInvalidMessage;
    MessageCatcher() {
        TNumberEdit::ShowInvalidMessage = [this](QWidget*, const QString& t) { Shown << t; };
    }
    ~MessageCatcher() { TNumberEdit::ShowInvalidMessage = Saved; }
};

class NumEditWidget : public ::testing::Test {
protected:
    void SetUp() override { vxtest::App(); }
    MessageCatcher Messages;
};

}  // namespace

TEST(NumEditText, NumbersInEveryBaseAndNothingPast32Bits) {
    const struct {
        const char* text;
        TInputType type;
        std::optional<int32_t> value;
    } cases[] = {
        {"", ItDecimal, 0}, {"1,234", ItDecimal, 1234}, {"ff", ItHexaDecimal, 255},
        // Beyond 32 bits nothing wraps: "4294967297" is not 1.
        {"4294967297", ItDecimal, {}}, {"2147483648", ItDecimal, {}}, {"-2147483649", ItDecimal, {}},
        {"99999999999999999999999999", ItDecimal, {}}, {"100000000", ItHexaDecimal, {}},
        {"111111111111111111111111111111111", ItBinary, {}},
        // A character that is no digit of the base counts all the same ("a" as 10, others as 0).
        {"12a", ItDecimal, 130}, {"12x", ItDecimal, 120}, {"8", ItOctal, 8}, {"1 2", ItDecimal, 102},
    };
    for (const auto& c : cases) EXPECT_EQ(TextToNumber(c.text, c.type), c.value) << c.text;
    EXPECT_EQ(NumberToText(-1, ItHexaDecimal), "FFFFFFFF");
    EXPECT_EQ(NumberToText(-1234, ItDecimal, true), "-1,234");
    EXPECT_EQ(NumberToText(1234, ItHexaDecimal, true), "4D2");  // grouping is decimal only
    for (TInputType t : {ItDecimal, ItBinary, ItHexaDecimal, ItOctal})
        for (int32_t v : {0, 1, 7, 1000, 1234567, INT32_MAX, INT32_MIN, -5})
            EXPECT_EQ(TextToNumber(NumberToText(v, t, true), t), v) << t << " " << v;
}

TEST(NumEditText, GroupingCleanUpAndTyping) {
    EXPECT_EQ(GroupThousands("1,2,3,4,5,6"), "123,456");
    EXPECT_EQ(GroupThousands("-123456"), "-123,456");
    // The user's locale never changes the separator.
    QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(NumberToText(1234, ItDecimal, true), "1,234");
    EXPECT_EQ(TypeGrouped("123", 3, -1, 0, u'4').text, "1,234");
    QLocale::setDefault(saved);
    const struct {
        const char* text;
        TInputType type;
        bool separators;
        const char* clean;
    } cleanups[] = {{",0,12", ItDecimal, true, "12"}, {"1,234", ItDecimal, false, "1234"},
                    {"fG0z", ItHexaDecimal, false, "f0"}, {"-0012", ItDecimal, false, "-12"},
                    {"-", ItDecimal, false, "0"}, {"-5", ItHexaDecimal, false, "5"}};
    for (const auto& c : cleanups) EXPECT_EQ(CleanText(c.text, c.type, c.separators), c.clean) << c.text;
    const struct {
        const char* text;
        int caret, selStart, selLength;
        char16_t key;
        const char* result;
        int newCaret;
    } typed[] = {
        {"1,234,567", 0, 2, 3, u'\b', "1,567", 1},  // a selection is deleted, nothing more
        {"1,234", 0, 0, 5, u'9', "9", 1},           // a digit replaces it
        {"123", 1, -1, 0, u'9', "1,923", 3},         // the caret keeps its distance from the end
    };
    for (const auto& c : typed) {
        const EditResult r = TypeGrouped(c.text, c.caret, c.selStart, c.selLength, c.key);
        EXPECT_EQ(r.text, c.result) << c.text;
        EXPECT_EQ(r.caret, c.newCaret) << c.text;
    }
}

TEST_F(NumEditWidget, TextIsCleanedAfterEveryChange) {
    TNumberEdit e;
    EXPECT_EQ(e.text(), "0");
    QStringList changes;
    e.OnChange = [&](QObject* sender) {
        EXPECT_EQ(sender, &e);
        changes << e.text();
    };
    e.setText("0012");
    EXPECT_EQ(e.text(), "12");
    EXPECT_EQ(changes, QStringList({"0012", "12"}));
    e.setText("");
    EXPECT_EQ(e.text(), "0");
    e.setText("1x2y3");
    EXPECT_EQ(e.text(), "123");
    EXPECT_EQ(e.cursorPosition(), 3);
    // A change handler that reads the value of a pasted "12x" gets 120, with no false message.
    QList<int> values;
    e.OnChange = [&](QObject*) { values << e.Value(); };
    e.setText("12x");
    EXPECT_EQ(values, QList<int>({120, 12}));
    EXPECT_EQ(e.text(), "12");
    EXPECT_TRUE(Messages.Shown.isEmpty());
}

TEST_F(NumEditWidget, HexadecimalAndBaseSwitch) {
    TNumberEdit e;
    e.SetInputType(ItHexaDecimal);
    e.setText("ff");
    EXPECT_EQ(e.Value(), 255);
    e.SetValue(255);
    EXPECT_EQ(e.text(), "FF");
    e.SetInputType(ItDecimal);
    EXPECT_EQ(e.text(), "255");
    e.SetValue(1234567);
    e.SetThousandSeparator(true);
    EXPECT_EQ(e.text(), "1,234,567");
    EXPECT_EQ(e.Value(), 1234567);
    e.SetValue(5);
    e.SetInputType(ItBinary);
    EXPECT_EQ(e.text(), "101");
    e.SetThousandSeparator(true);  // decimal only
    EXPECT_FALSE(e.ThousandSeparator());
    EXPECT_TRUE(Messages.Shown.isEmpty());
}

TEST_F(NumEditWidget, RangeCheckReportsText) {
    TNumberEdit e;
    e.SetMinValue(5);  // ignored while MaxValue is 0
    EXPECT_EQ(e.MinValue(), 0);
    e.SetMaxValue(10);
    e.SetMinValue(1);
    e.SetMaxValue(0);  // below MinValue: ignored
    EXPECT_EQ(e.MaxValue(), 10);
    e.setText("11");
    EXPECT_EQ(e.Value(), 0);
    e.setText("7");
    e.SetValue(12);  // refused, text kept
    EXPECT_EQ(e.text(), "7");
    EXPECT_EQ(Messages.Shown, QStringList({"\"11\" is Invalid Value!", "\"7\" is Invalid Value!"}));

    int calls = 0;
    e.OnInvalidEntry = [&](QObject* sender) {
        EXPECT_EQ(sender, &e);
        ++calls;
    };
    e.setText("0");
    EXPECT_EQ(e.Value(), 0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Messages.Shown.size(), 2);
}

TEST_F(NumEditWidget, ValueBeyond32BitsIsInvalidNotWrapped) {
    TNumberEdit e;
    e.setText("4294967297");
    EXPECT_EQ(e.text(), "4294967297");
    EXPECT_EQ(e.Value(), 0);
    EXPECT_EQ(Messages.Shown, QStringList{"\"4294967297\" is Invalid Value!"});
    e.SetValue(-42);  // a negative value survives the clean-up
    EXPECT_EQ(e.text(), "-42");
    EXPECT_EQ(e.Value(), -42);
}

TEST_F(NumEditWidget, KeysAreFilteredByBase) {
    TNumberEdit e;
    const struct {
        TInputType type;
        const char* typed;
        const char* shown;
    } cases[] = {{ItDecimal, "1a-2.3 ", "123"}, {ItBinary, "10291", "101"}, {ItOctal, "7890", "70"},
                 {ItHexaDecimal, "fGa9", "fa9"}};
    for (const auto& c : cases) {
        e.SetInputType(c.type);
        e.setText("");
        TypeText(&e, c.typed);
        EXPECT_EQ(e.text(), c.shown) << c.typed;
    }
    EXPECT_EQ(e.Value(), 0xfa9);
    Backspace(&e);
    EXPECT_EQ(e.text(), "fa");
    // Delete deletes in every base and with separators (X11 sends it as the character 0x7F).
    for (bool separators : {false, true}) {
        e.SetInputType(ItDecimal);
        e.SetThousandSeparator(separators);
        e.SetValue(1234);
        e.setCursorPosition(0);
        Type(&e, Qt::Key_Delete, QStringLiteral("\x7f"));
        EXPECT_EQ(e.text(), "234") << separators;
    }
}

TEST_F(NumEditWidget, TypingGroupsDigits) {
    TNumberEdit e;
    e.SetThousandSeparator(true);
    e.setText("");
    TypeText(&e, "1234");
    EXPECT_EQ(e.text(), "1,234");
    EXPECT_EQ(e.cursorPosition(), 5);
    TypeText(&e, "567");
    EXPECT_EQ(e.text(), "1,234,567");
    e.setCursorPosition(6);  // right after the second ","
    Backspace(&e);
    EXPECT_EQ(e.text(), "123,567");
    EXPECT_EQ(e.cursorPosition(), 4);
    e.setCursorPosition(0);
    Backspace(&e);  // nothing before the caret
    EXPECT_EQ(e.text(), "123,567");
    EXPECT_EQ(e.cursorPosition(), 0);
    e.selectAll();
    Backspace(&e);
    EXPECT_EQ(e.text(), "0");
}

TEST_F(NumEditWidget, KeyEventsAndReadOnly) {
    TNumberEdit e;
    e.SetThousandSeparator(true);
    e.setText("12");
    e.setCursorPosition(2);
    QString pressed;
    e.OnKeyPress = [&](QObject*, QChar& key) {
        pressed += key;
        if (key == u'5') key = QChar();  // a handler may drop a key
    };
    int downs = 0;
    e.OnKeyDown = [&](QObject*, int& key, Qt::KeyboardModifiers) {
        ++downs;
        if (key == Qt::Key_9) key = 0;
    };
    TypeText(&e, "3594");
    EXPECT_EQ(e.text(), "1,234");
    EXPECT_EQ(pressed, "354");
    EXPECT_EQ(downs, 4);
    // A read-only edit takes no digits, not even through the grouping.
    e.setReadOnly(true);
    TypeText(&e, "7");
    EXPECT_EQ(e.text(), "1,234");
    Backspace(&e);
    EXPECT_EQ(e.text(), "1,234");
}

TEST_F(NumEditWidget, LeavingTheBoxReportsOutOfRange) {
    QWidget form;
    auto* e = new TNumberEdit(&form);
    auto* other = new TNumberEdit(&form);
    e->SetMaxValue(10);
    e->setText("11");
    int exits = 0;
    e->OnExit = [&](QObject*) { ++exits; };
    form.show();
    QApplication::setActiveWindow(&form);
    e->setFocus(Qt::TabFocusReason);
    other->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(Messages.Shown, QStringList{"\"11\" is Invalid Value!"});
}
