// The seven control kinds.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/control.h"
#include "controls/gbk_text.h"
#include "controls/image.h"
#include "controls/structure.h"
#include "controls/theme.h"

namespace corvalis::exui {

// Rows of icon + caption, scrolled vertically, with optional button elements on each row.
class Listbox final : public Control {
 public:
  Listbox(HWND window, const CreationContext& context, EventRoutine routine, Properties properties);

  int insertItems(int index, int count, std::intptr_t data, std::string_view image, std::optional<TakenBin> caption);
  int deleteItems(int index, int count);
  int itemCount() const { return static_cast<int>(rows_.size()); }
  bool guaranteeVisible(int index, int mode);
  bool setItemTitle(int index, std::optional<TakenBin> caption);
  const char* itemTitle(int index) const;
  bool setItemImage(int index, std::string_view image);
  bool setItemData(int index, std::intptr_t data);
  std::intptr_t itemData(int index) const;
  bool setItemHeight(int index, int height);
  int itemHeight(int index) const;
  bool setItemColour(int index, std::uint32_t colour);
  std::uint32_t itemColour(int index) const;

  int insertElements(int type, int row, int index, int count);
  int deleteElements(int type, int row, int index, int count);
  int elementCount(int type, int row) const;
  struct ElementAttributes {
    int anchor = 0;
    ElementRoutine routine = nullptr;
    int left = 0;
    int top = 0;
    int width = 24;
    int height = 24;
    int style = kElementSubtle;
    std::string_view image;
    const void* font = nullptr;
  };
  bool setElementAttributes(int type, int row, int element, const ElementAttributes& attributes);
  bool setElementData(int type, int row, int column, int element, bool checked, bool shown, bool disabled,
                      std::optional<TakenBin> caption);

  std::intptr_t getAttribute(int attribute) override;
  bool setAttribute(int attribute, std::intptr_t value) override;
  bool exportContent(std::string& content) override;

 protected:
  void paint(HDC dc, const RECT& client, const Palette& palette) override;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  void onResize() override { scrollTo(scrollTop_); }
  void onEnable(bool enabled) override;

 private:
  friend class ListAccessible;  // what a screen reader is told reads the rows as they are

  struct ElementData {
    bool shown = false;
    bool disabled = false;
    bool checked = false;
    std::wstring caption;
  };
  struct Row {
    std::string caption;  // GBK
    std::wstring wide;
    int captionStyle = 0;
    int height = 0;  // 0: the list's row pitch
    std::intptr_t data = 0;
    std::uint32_t colour = kThemeColour;
    Glyph glyph = kGlyphNone;
    std::optional<Image> icon;
    Image scaled;  // icon at the size last drawn
    GlyphColours scaledIn{};  // the colours a glyph was last drawn in
    std::vector<ElementData> elements;
  };
  struct ElementDesign {
    ElementAttributes attributes;
    std::optional<Image> image;
    FontKey font;
  };
  struct Hit {
    int row = -1;
    int element = -1;
    bool scrollBar = false;
  };
  // A default action asked for through the accessible object, done from the message loop.
  struct PendingAction {
    int row;
    int element;  // -1: the row itself
  };

  int pitch() const;
  int heightOf(const Row& row) const { return row.height > 0 ? row.height : pitch(); }
  int iconSizeFor(int rowHeight) const;
  int rowTop(int index) const;
  RECT rowRect(int index) const;  // client coordinates, wherever it is scrolled to
  POINT rowMiddle(int index) const;
  int rowsPerPage(int from, int direction) const;
  int contentHeight() const;
  int maxScroll() const;
  bool scrollable() const { return maxScroll() > 0; }
  RECT thumbRect() const;
  RECT elementRect(int element, int rowScreenTop) const;
  bool clickable(int row, int element) const;
  Hit hitTest(POINT point) const;

  void scrollTo(int top);
  void setCaption(Row& row, std::optional<TakenBin> caption);
  // Moves the hover to what is under point, raising leave and enter; false when the
  // control went away meanwhile.
  bool updateHover(POINT point);
  void clearPress();
  void clickElement(int row, int element);
  // The focus mark: markRow moves it and tells a screen reader; moveMark is a move the user
  // or the program makes, clamped, scrolled into view and raised as kEventFocusMoved (false
  // when the control went away meanwhile).
  void markRow(int row);
  bool moveMark(int row);
  void announceMark() const;
  bool hasFocus() const { return GetFocus() == window(); }
  void activateRow(int row);
  void raiseRightClick(int row, POINT point);
  std::wstring actionName(int row) const;
  std::wstring elementName(int row, int element) const;
  void queueAction(int row, int element);
  void paintRow(HDC dc, const Palette& palette, int index, const RECT& area, int textRight);
  void paintElement(HDC dc, const Palette& palette, int index, int element, const RECT& area);

  // What onMessage does with each message; points are in client coordinates.
  LRESULT followPointer(POINT point);
  LRESULT endHoverOnLeave();
  LRESULT pressLeftButton(POINT point, bool doubleClick);
  LRESULT releaseLeftButton(POINT point);
  LRESULT dropPressOnCaptureLoss(HWND newCapture);
  LRESULT awaitRightRelease();
  void showCues();
  void hideCuesOnClick();
  LRESULT reportRightClick(POINT point);
  LRESULT scrollByWheel(int delta, LPARAM screenPoint);
  LRESULT pressKey(WPARAM key);
  LRESULT pressSystemKey(WPARAM key, bool& handled);
  LRESULT stepMark(int delta);
  LRESULT pageMark(int direction);
  LRESULT markFirstRow();
  LRESULT markLastRow();
  LRESULT activateMarkedRow();
  LRESULT openMenuForMarkedRow();
  LRESULT reportKey(WPARAM key);
  LRESULT reportCharacter(WPARAM unit);
  LRESULT ignoreKeyboardMenu(LPARAM screenPoint, bool& handled);
  LRESULT showMarkWithFocus(bool& handled);
  LRESULT hideMarkWithFocus(bool& handled);
  LRESULT giveAccessibleObject(WPARAM flags, LPARAM objectId, bool& handled);
  LRESULT carryOutPendingAction();
  static LRESULT wantedDialogKeys(const MSG* pending);

  std::vector<Row> rows_;
  std::vector<ElementDesign> elements_;
  int scrollTop_ = 0;
  int hoverRow_ = -1;
  int hoverElement_ = -1;
  int pressRow_ = -1;
  int pressElement_ = -1;  // -2: pressed on a disabled element (nothing happens)
  bool pressing_ = false;
  bool dragging_ = false;
  int dragOffset_ = 0;
  int wheelRemainder_ = 0;
  int focusRow_ = -1;
  // Whether the mark is drawn while the list has the focus: from a key on, until a click
  // (Windows' keyboard cues), or always where the user asked the system for them.
  bool cuesShown_ = false;
  std::string actionName_;       // GBK
  std::string fixedActionName_;  // GBK
  std::string elementNames_;     // GBK, "|" between
  std::vector<PendingAction> pendingActions_;
};

// One line of GBK text with caret, selection, clipboard and IME input.
class Editbox final : public Control {
 public:
  Editbox(HWND window, const CreationContext& context, EventRoutine routine, Properties properties);

  std::string* text() override { return &text_; }
  void textChanged() override;
  std::intptr_t getAttribute(int attribute) override;
  bool setAttribute(int attribute, std::intptr_t value) override;

  int caret() const { return static_cast<int>(caret_); }
  int selectionLength() const;
  void placeCaret(int position, int selectBefore);
  int insertText(int position, std::string_view gbk);
  int deleteText(int position, int length);
  void setSelectionLength(int length);

 protected:
  void paint(HDC dc, const RECT& client, const Palette& palette) override;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  void onResize() override { relayout(); }

 private:
  HFONT font() const;
  void relayout();  // after the text or the size changed
  int xOf(std::size_t position) const;  // in text coordinates
  std::size_t positionAt(int x) const;  // x in window coordinates
  void keepCaretVisible();
  void updateCaret();
  void followCaret();  // after the caret moved: into view, the system caret with it, repainted
  void replaceSelection(std::string_view gbk, bool byUser);
  bool eraseSelection();
  void typed(wchar_t unit);
  void copy();
  void paste();
  void cut();
  void clearSelection();  // as the user does: raises kEventEditChanged when there was one
  void deleteBeforeCaret();
  void deleteAfterCaret();
  void selectAll();
  bool userChanged();  // raises kEventEditChanged

  // What onMessage does with each message; x is in window coordinates.
  LRESULT gainFocus();
  LRESULT loseFocus();
  LRESULT startSelectingAt(int x);
  LRESULT dragSelectionTo(int x);
  LRESULT finishSelecting();
  LRESULT selectAllOnDoubleClick();
  LRESULT abandonSelecting();  // the capture went elsewhere
  static LRESULT showTextCursor(WORD hitArea, bool& handled);
  static LRESULT wantedDialogKeys(const MSG* pending);
  LRESULT pressEditingKey(WPARAM key, bool& handled);
  LRESULT typeCharacter(WPARAM unit);
  LRESULT typeImeCharacter(WPARAM unit);

  std::string text_;
  std::size_t caret_ = 0;
  std::size_t anchor_ = 0;
  int scrollX_ = 0;
  bool selecting_ = false;
  bool focused_ = false;
  GbkLayout layout_;
  std::vector<int> xs_;  // x of each boundary
};

class Button final : public Control {
 public:
  Button(HWND window, const CreationContext& context, EventRoutine routine, Properties properties);
  std::string* text() override { return &caption_; }

 protected:
  void paint(HDC dc, const RECT& client, const Palette& palette) override;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  void onEnable(bool enabled) override;

 private:
  std::string caption_;
  bool hover_ = false;
  bool pressing_ = false;
  bool inside_ = false;
};

class Label final : public Control {
 public:
  Label(HWND window, const CreationContext& context, EventRoutine routine, Properties properties);
  std::string* text() override { return &text_; }

 protected:
  void paint(HDC dc, const RECT& client, const Palette& palette) override;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  std::string text_;
};

// WindowEx (a panel that reports clicks) and ToolbarEx (an empty strip) share this.
class Panel final : public Control {
 public:
  Panel(Kind kind, HWND window, const CreationContext& context, EventRoutine routine, Properties properties);
  std::string* text() override { return &text_; }

 protected:
  void paint(HDC dc, const RECT& client, const Palette& palette) override;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  std::string text_;
  bool pressing_ = false;
};

class Filter final : public Control {
 public:
  Filter(HWND window, const CreationContext& context, EventRoutine routine, Properties properties);
  std::intptr_t getAttribute(int attribute) override;
  bool setAttribute(int attribute, std::intptr_t value) override;

 protected:
  void paint(HDC dc, const RECT& client, const Palette& palette) override;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
};

}  // namespace corvalis::exui
