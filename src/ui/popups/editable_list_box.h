// A list box whose lines can be edited in place: an edit field laid over one line, whose text
// replaces the line. The list knows nothing of what the lines mean; its owner reads them back
// when an edit has ended.
#pragma once

#include <QLineEdit>
#include <QListWidget>
#include <memory>

namespace torvex::ui {

class CEditableListBox;

// The edit field over the edited line. It ends the edit on the key releases (the presses of
// Enter and Esc never reach the window) and when it loses the focus.
class CEditHelper final : public QLineEdit {
    Q_OBJECT
public:
    CEditHelper(CEditableListBox& list, QWidget* parent);

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    CEditableListBox& list_;
};

class CEditableListBox final : public QListWidget {
    Q_OBJECT
public:
    // The character that asks for an edit of the selected line.
    static constexpr char16_t kEditRequest = 1;

    explicit CEditableListBox(QWidget* parent = nullptr);
    ~CEditableListBox() override;

    // A character message: remembered as the pending request, then an edit starts when it is
    // the edit request. Any other character clears a pending request.
    void characterMessage(char16_t c);
    // Ends a running edit, keeping the typed text or not. Nothing happens without an edit.
    void endEdit(bool keep);

    bool editing() const { return editor_ != nullptr; }
    int editIndex() const { return editIndex_; }
    int editRequest() const { return editRequest_; }
    CEditHelper* editor() const { return editor_.get(); }

signals:
    // A kept edit changed line `index`; `oldText` is what it held before.
    void editChanged(int index, const QString& oldText);
    // Every end of an edit, kept or not. May come twice for one edit.
    void editEnded();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void beginEdit();

    std::unique_ptr<CEditHelper> editor_;
    int editIndex_ = -1;
    int editRequest_ = 0;
};

} // namespace torvex::ui
