// TRxSpeedButton: a push button without focus that shows a glyph and a caption; buttons of one
// group behave like radio buttons, a flat button lights up under the mouse, a see-through button
// shows its parent, an optional drop-down menu opens below it and, with AllowTimer, holding it
// down clicks again and again. The images of the five button states are made once per glyph and
// kept in image lists that all glyphs of one size share (TGlyphCache).
#pragma once

#include "controls/colors.h"

#include <QImage>
#include <QKeySequence>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QMenu;
class QTimer;

// Button states, in the order of the cells of a glyph bitmap.
enum TRxButtonState { rbsUp, rbsDisabled, rbsDown, rbsExclusive, rbsInactive };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };

// Width of the drop-down mark beside the glyph.
constexpr int DropDownMarkWidth = 9;

// Images of one width and height; a slot is either used or free.
class TGlyphList {
public:
    TGlyphList(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Stores the image in the first free slot (the list grows when none is free).
    int Add(const QImage& image);
    // Frees a slot; an unused or unknown index is ignored.
    void Delete(int index);
    // The image of a used slot; a null image otherwise.
    QImage Image(int index) const;
    // Number of used slots.
    int Count() const { return count_; }
    // Number of slots, used or free.
    int Capacity() const { return static_cast<int>(images_.size()); }

private:
    int width_;
    int height_;
    int count_ = 0;
    std::vector<QImage> images_;
    std::vector<bool> used_;
};

// The glyph lists of all glyph objects, one per image size.
class TGlyphCache {
public:
    ~TGlyphCache();
    // The list of that size, made when missing.
    TGlyphList* GetList(int width, int height);
    // Frees the list when it holds no image any more.
    void ReturnList(TGlyphList* list);
    bool Empty() const { return lists_.empty(); }
    int ListCount() const { return static_cast<int>(lists_.size()); }

    // The cache shared by all glyph objects: made with the first glyph object, freed when the
    // last one goes and the cache is empty. Null while no glyph object exists.
    static TGlyphCache* Shared();

private:
    std::vector<TGlyphList*> lists_;
};

// Where the parts of a button face go.
struct TButtonLayoutResult {
    QPoint GlyphPos;   // top-left of the glyph image
    QRect TextBounds;  // the caption's rectangle
    QRect MarkRect;    // the drop-down mark's strip (empty without a mark)
    QString Text;      // the caption, shortened with "..." when it does not fit
};

// Lays out glyph, caption and drop-down mark in Client. TextSize measures a (shortened) caption
// within a width and gives its width and height. Margin -1 centres, Spacing -1 spreads.
TButtonLayoutResult CalcButtonLayout(const QRect& Client, QPoint Offset, const QString& Caption, QSize GlyphSize,
                                     TButtonLayout Layout, int Margin, int Spacing, bool DropDownMark,
                                     const std::function<QSize(const QString&, int maxWidth)>& TextSize,
                                     const std::function<int(const QString&)>& TextWidth);

// The grey of a colour: (77 R + 150 G + 29 B) shr 8 in every channel.
TColor GrayOf(TColor rgb);

// A button's glyph: the bitmap with up to five cells side by side, and the images made from it.
class TRxButtonGlyph {
public:
    TRxButtonGlyph();
    ~TRxButtonGlyph();
    TRxButtonGlyph(const TRxButtonGlyph&) = delete;
    TRxButtonGlyph& operator=(const TRxButtonGlyph&) = delete;

    QImage Glyph() const { return glyph_; }
    // Frees the images; a bitmap whose width is a whole multiple of its height gets width / height
    // glyphs (1 when that exceeds 5). The transparent colour becomes the bottom-left pixel's.
    void SetGlyph(const QImage& glyph);
    int NumGlyphs() const { return numGlyphs_; }
    // 1 to 5; frees the images.
    void SetNumGlyphs(int value);
    TColor TransparentColor() const { return transparentColor_; }
    // Size of one cell (0 x 0 without a bitmap).
    QSize GlyphSize() const;

    // The list index of the image of a state, made on first request; -1 without a bitmap.
    int CreateButtonGlyph(TRxButtonState state);
    // The image of a state (made when needed); null without a bitmap.
    QImage StateImage(TRxButtonState state);
    // The index of a state's image made so far, -1 when none.
    int ImageIndex(TRxButtonState state) const { return indexes_[state]; }
    TGlyphList* List() const { return list_; }
    // Frees all images.
    void Invalidate();

    // Draws glyph, caption and mark into Client (offset by Offset) and gives the caption's
    // rectangle.
    QRect Draw(QPainter& canvas, const QRect& Client, QPoint Offset, const QString& Caption, TButtonLayout Layout,
               int Margin, int Spacing, TRxButtonState State, Qt::Alignment Alignment, bool DropDownMark,
               bool WordWrap);

    std::function<void()> OnChange;

private:
    QImage Cell(int index) const;

    QImage glyph_;
    TColor transparentColor_ = 0xFF00FF;
    int numGlyphs_ = 1;
    int indexes_[5] = {-1, -1, -1, -1, -1};
    TGlyphList* list_ = nullptr;
};

class TRxSpeedButton : public QWidget {
    Q_OBJECT
public:
    explicit TRxSpeedButton(QWidget* parent = nullptr);
    ~TRxSpeedButton() override;

    Qt::Alignment Alignment() const { return alignment_; }
    void SetAlignment(Qt::Alignment value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    bool AllowTimer() const { return allowTimer_; }
    void SetAllowTimer(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool Down() const { return down_; }
    // Ignored outside a group; a Down button of a group without AllowAllUp stays down.
    void SetDown(bool value);
    QMenu* DropDownMenu() const { return dropDownMenu_; }
    void SetDropDownMenu(QMenu* menu);
    // 0: the menu opens below the button; 1: beside it. The menu's "Alignment" property (0 left,
    // 1 right, 2 centre) places it against the button's left edge, right edge or centre.
    int MenuPosition() const { return menuPosition_; }
    void SetMenuPosition(int value) { menuPosition_ = value; }
    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    QImage Glyph() const { return glyph_.Glyph(); }
    void SetGlyph(const QImage& value);
    bool GrayedInactive() const { return grayedInactive_; }
    void SetGrayedInactive(bool value);
    int InitPause() const { return initPause_; }
    void SetInitPause(int ms) { initPause_ = ms; }
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return margin_; }
    void SetMargin(int value);
    bool MarkDropDown() const { return markDropDown_; }
    void SetMarkDropDown(bool value);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int value) { modalResult_ = value; }
    int NumGlyphs() const { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(int value);
    int RepeatInterval() const { return repeatInterval_; }
    void SetRepeatInterval(int ms) { repeatInterval_ = ms; }
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);

    TRxButtonState State() const { return state_; }
    // The state the face is painted in (inactive for a flat button without the mouse).
    TRxButtonState DrawState() const;
    bool MouseInControl() const { return mouseInControl_; }
    TRxButtonGlyph& ButtonGlyph() { return glyph_; }
    // The repeat timer; null until first used.
    QTimer* RepeatTimer() const { return repeatTimer_; }

    // Sets the dialog's result to ModalResult (when not 0), then fires OnClick.
    void Click();
    // One expiry of the repeat timer: the interval becomes RepeatInterval, and the button
    // clicks while it is held down.
    void TimerExpired();
    // Draws the whole face into an image of the button's size.
    QImage PaintFace();

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
    // Draws the face (frame and content) into an image; the date edit's button adds its edge.
    virtual void PaintButton(QPainter& p);

    TRxButtonState state_ = rbsUp;
    bool dragging_ = false;

private:
    void StopTimer();
    void UpdateExclusive();
    void ButtonPressed(TRxSpeedButton* sender);
    // Opens the drop-down menu; true when it was shown.
    bool CheckMenuDropDown();
    void FinishPress(bool inside);
    void UpdateShortcut();

    Qt::Alignment alignment_ = Qt::AlignHCenter;
    bool allowAllUp_ = false;
    bool allowTimer_ = false;
    int groupIndex_ = 0;
    bool down_ = false;
    QMenu* dropDownMenu_ = nullptr;
    int menuPosition_ = 0;
    QString caption_;
    bool flat_ = false;
    bool grayedInactive_ = true;
    int initPause_ = 500;
    TButtonLayout layout_ = blGlyphTop;
    int margin_ = -1;
    bool markDropDown_ = true;
    int modalResult_ = 0;
    int repeatInterval_ = 100;
    int spacing_ = 1;
    TButtonStyle style_ = bsAutoDetect;
    bool transparent_ = false;
    bool wordWrap_ = false;

    bool mouseInControl_ = false;
    bool menuTracking_ = false;
    QTimer* repeatTimer_ = nullptr;
    int shortcutId_ = 0;
    TRxButtonGlyph glyph_;
};

// A speed button that repeats its click while held: after InitPause (500 ms), then every
// RepeatInterval (100 ms).
class TRxTimerSpeedButton : public TRxSpeedButton {
    Q_OBJECT
public:
    explicit TRxTimerSpeedButton(QWidget* parent = nullptr);
};
