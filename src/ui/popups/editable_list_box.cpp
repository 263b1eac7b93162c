#include "ui/popups/editable_list_box.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace torvex::ui {

CEditHelper::CEditHelper(CEditableListBox& list, QWidget* parent)
    : QLineEdit(parent), list_(list) {}

void CEditHelper::keyReleaseEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        list_.endEdit(true);
        return; // the field is gone
    }
    if (key == Qt::Key_Escape) {
        list_.endEdit(false);
        return;
    }
    QLineEdit::keyReleaseEvent(event);
}

void CEditHelper::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A click elsewhere or another window keeps what was typed. Ending deletes this field, so
    // it runs after the focus change has finished delivering.
    // With this field as the context, the call is dropped when the field is already gone.
    QMetaObject::invokeMethod(
        this, [this] { list_.endEdit(true); }, Qt::QueuedConnection);
}

CEditableListBox::CEditableListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
}

CEditableListBox::~CEditableListBox() {
    // The open field goes first, quietly: nobody listens for the end of an edit any more.
    editor_.reset();
}

void CEditableListBox::characterMessage(char16_t c) {
    editRequest_ = c;
    beginEdit();
}

void CEditableListBox::beginEdit() {
    if (editRequest_ != kEditRequest) {
        return;
    }
    editRequest_ = 0;
    const int line = currentRow();
    QListWidgetItem* item = line >= 0 ? this->item(line) : nullptr;
    if (item == nullptr || editor_) {
        return; // nothing selected, or an edit already runs
    }
    const QRect rect = visualItemRect(item).adjusted(0, -2, 0, 2);
    editor_ = std::make_unique<CEditHelper>(*this, viewport());
    editor_->setFont(font());
    editor_->setFrame(true);
    editor_->setGeometry(rect);
    editor_->setText(item->text());
    editor_->selectAll();
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
    editIndex_ = line;
}

void CEditableListBox::endEdit(bool keep) {
    if (!editor_) {
        return;
    }
    // Take the field out first: losing the focus while it goes asks for another end, which
    // then finds no edit.
    std::unique_ptr<CEditHelper> field = std::move(editor_);
    const int index = editIndex_;
    editIndex_ = -1;
    if (keep && index >= 0 && index < count()) {
        const QString oldText = item(index)->text();
        const QString newText = field->text();
        if (oldText != newText) {
            delete takeItem(index);
            insertItem(index, newText);
            setCurrentRow(index);
            emit editChanged(index, oldText);
        }
    }
    const bool hadFocus = field->hasFocus();
    field->hide();
    field.reset();
    if (hadFocus) {
        setFocus(Qt::OtherFocusReason);
    }
    emit editEnded();
}

void CEditableListBox::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (!text.isEmpty()) {
        characterMessage(text.at(0).unicode());
    }
    QListWidget::keyPressEvent(event);
}

void CEditableListBox::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Insert) {
        beginEdit();
    }
    QListWidget::keyReleaseEvent(event);
}

void CEditableListBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        QListWidgetItem* selected = currentRow() >= 0 ? item(currentRow()) : nullptr;
        if (selected != nullptr && visualItemRect(selected).contains(event->position().toPoint())) {
            beginEdit();
        }
    }
    QListWidget::mouseReleaseEvent(event);
}

void CEditableListBox::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    endEdit(true);
}

void CEditableListBox::scrollContentsBy(int dx, int dy) {
    endEdit(true);
    QListWidget::scrollContentsBy(dx, dy);
}

} // namespace torvex::ui
