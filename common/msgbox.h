// The program's own message box: a small white dialog with a 48-pixel icon, one or two buttons
// and an optional "Don't remind me again." check box, which may fade in and out.
//
// Every question and message of the program goes through MsgBox() or through a
// TFormConfirmWithCheckBox run with exec(). Both pass through one seam (SetMsgBoxHandler):
// when a handler is installed no window is shown; the handler sees the question and returns
// the answer. Tests install ScriptedMsgBox to script answers and record the questions.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "common/formalphashow.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QFrame;
class QWidget;

// Icon kinds.
// None shows no picture.
enum class TMsgBoxIcon { None = -1, Question = 0, Information = 1, Warning = 2 };

// Button sets.
enum class TMsgBoxButtons { Yes = 0, No = 1, YesNo = 2, OK = 3, Cancel = 4, OKCancel = 5 };

// Modal results (0: closed without a button, by Esc or the title bar).
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrYes = 6;
inline constexpr int mrNo = 7;

struct TMsgBoxResult {
    int ModalResult = mrNone;
    bool Checked = false;  // state of "Don't remind me again."
};

// Ends the questions about something that can end by itself while they are open, such as
// whether to stop a worker's job. A box asked with a closer closes by itself, as a box closed
// without a button (mrNone), when End is called while it is open, or when the closer is
// deleted; it is not shown at all once the closer has ended. Lives on the user-interface
// thread; End is called there.
class TMsgBoxCloser : public QObject {
    Q_OBJECT
public:
    // `over`, when given, tells from any thread's state that the matter is over before End
    // has been called (a box then is not shown either).
    explicit TMsgBoxCloser(std::function<bool()> over = {}, QObject* parent = nullptr);
    void End();
    bool Ended() const { return EndedFlag || (Over && Over()); }

signals:
    void Ending();

private:
    std::function<bool()> Over;
    bool EndedFlag = false;
};

// One question or message as the seam sees it.
struct TMsgBoxRequest {
    QString Caption;
    QString Text;
    TMsgBoxIcon Icon = TMsgBoxIcon::Question;
    TMsgBoxButtons Buttons = TMsgBoxButtons::OK;
    bool ShowCheckBox = false;
    bool Animate = false;
    int Interval = 30;
    int Step = 30;
    // The window the box is owned by (and centred on); null for none.
    QPointer<QWidget> Owner;
    // The closer the box was asked with, if any: an answer given once it has ended counts
    // for nothing, as the box would have closed by itself.
    QPointer<TMsgBoxCloser> Closer;
};

using TMsgBoxHandler = std::function<TMsgBoxResult(const TMsgBoxRequest&)>;

// Installs the handler that answers every box instead of a window (an empty handler restores
// the windows). Returns the previous handler.
TMsgBoxHandler SetMsgBoxHandler(TMsgBoxHandler handler);
const TMsgBoxHandler& MsgBoxHandler();

// Shows the box modally and returns the pressed button and the check box's state. The box is
// owned by `owner`, or by the active window when `owner` is null. With `closer` the box closes
// by itself once the closer ends (TMsgBoxCloser), and is not shown when it has ended already;
// the result is then mrNone.
TMsgBoxResult MsgBox(const QString& Caption, const QString& Text, TMsgBoxIcon Icon, TMsgBoxButtons Buttons,
                     bool ShowCheckBox = false, bool Animate = false, int Interval = 30,
                     int Step = 30, QWidget* owner = nullptr, TMsgBoxCloser* closer = nullptr);
// The same with the result as the last parameter.
void MsgBox(const QString& Caption, const QString& Text, TMsgBoxIcon Icon, TMsgBoxButtons Buttons, bool ShowCheckBox,
            bool Animate, int Interval, int Step, TMsgBoxResult& Result, QWidget* owner = nullptr);

// The file names of the icon kinds inside the program's files ("Icon/Question48.ico", ...);
// empty for other kinds.
QString MsgBoxIconFile(TMsgBoxIcon Icon);

// The box itself, for callers that keep it while it is open (quit, close, stop, edit ...):
//   TFormConfirmWithCheckBox box(this);
//   box.SetInfo("Q", "Quit?", TMsgBoxIcon::Question, TMsgBoxButtons::YesNo, true);
//   box.InitAlphaShow(true, 30, 30);
//   box.exec();  // answered by the seam's handler when one is installed
//   if (box.Result == mrYes) ... box.CheckBoxAlwayShow->isChecked() ...
class TXPMenu;

class TFormConfirmWithCheckBox : public TFormAlphaShow {
    Q_OBJECT
public:
    explicit TFormConfirmWithCheckBox(QWidget* owner = nullptr);

    void SetInfo(const QString& Caption, const QString& Text, TMsgBoxIcon Icon, TMsgBoxButtons Buttons,
                 bool ShowCheckBox);
    // The box closes by itself once `closer` ends (see TMsgBoxCloser); set before exec.
    void SetCloser(TMsgBoxCloser* closer) { Closer = closer; }
    // Shows the box modally (or asks the installed handler); returns Result.
    int exec() override;

    QString Caption;
    QString Text;
    TMsgBoxIcon Icon = TMsgBoxIcon::Question;
    TMsgBoxButtons Buttons = TMsgBoxButtons::OK;
    bool ShowCheckBox = false;
    int Result = mrNone;  // 0 until a button sets it

    QLabel* Image = nullptr;  // 48 x 48
    QLabel* LabelInfo = nullptr;
    QCheckBox* CheckBoxAlwayShow = nullptr;
    QPushButton* BitBtn1 = nullptr;  // left, default button
    QPushButton* BitBtn2 = nullptr;  // right
    QFrame* PanelTopSeparator = nullptr;
    QWidget* PanelBottom = nullptr;
    TXPMenu* XPMenu1 = nullptr;

    // Applies Caption, Text, Icon, Buttons and ShowCheckBox to the window (done when shown;
    // callable earlier to inspect or render the box).
    void ApplyInfo();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ButtonClick(int modalResult);
    // Closes the box at once, without a button and without fading, so that what comes next
    // shows alone.
    void CloseByItself();
    bool applied_ = false;
    QPointer<TMsgBoxCloser> Closer;
};

// Scripts the answers of every box for the life of the object and records the questions.
// Answers are taken in order; when none is left, DefaultAnswer is given.
class ScriptedMsgBox {
public:
    ScriptedMsgBox();
    ~ScriptedMsgBox();
    ScriptedMsgBox(const ScriptedMsgBox&) = delete;
    ScriptedMsgBox& operator=(const ScriptedMsgBox&) = delete;

    void Answer(int modalResult, bool checked = false);

    std::vector<TMsgBoxRequest> Asked;
    std::deque<TMsgBoxResult> Answers;
    TMsgBoxResult DefaultAnswer;

private:
    TMsgBoxHandler previous_;
};
