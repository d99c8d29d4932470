#include "Combo.h"

#include "Lookups.h"
#include "Query.h"
#include "ui/Messages.h"
#include "ui/Station.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // The width follows the window, not the longest name in the list.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { m_dirty = true; });
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (m_leaving) return;  // the box matched its text to an item on its own: nothing was chosen
        if (m_browsing)
            m_dirty = true;
        else
            choose(index);  // picked from the list
    });
}

int TComboBox::itemNamed(const QString& text) const {
    const int exact = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    return exact >= 0 ? exact : findText(text, Qt::MatchFixedString);
}

void TComboBox::choose(int index) {
    if (index < 0 || index >= count()) return;
    const QString text = itemText(index);
    {
        const QSignalBlocker block(this);
        const QSignalBlocker blockEdit(lineEdit());
        setCurrentIndex(index);
        lineEdit()->setText(text);
    }
    m_dirty = false;
    Q_EMIT chosen(text);
}

void TComboBox::confirm() {
    const int index = itemNamed(currentText().trimmed());
    if (index >= 0) {
        choose(index);
        return;
    }
    m_dirty = false;  // names nothing: nothing is chosen, and leaving the box does not ask again
    Q_EMIT refused(currentText());
}

void TComboBox::keyPressEvent(QKeyEvent* e) {
    const bool popupOpen = view() && view()->isVisible();
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        if (popupOpen) break;
        e->accept();
        const bool names = itemNamed(currentText().trimmed()) >= 0;
        confirm();
        // What the choice opened or focused stays; otherwise on to the next field.
        if (names && !m_keepsFocus && hasFocus()) focusNextChild();
        return;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (popupOpen || (e->modifiers() & Qt::AltModifier)) break;
        m_browsing = true;
        QComboBox::keyPressEvent(e);
        m_browsing = false;
        return;
    default:
        break;
    }
    QComboBox::keyPressEvent(e);
}

void TComboBox::wheelEvent(QWheelEvent* e) {
    if (!hasFocus()) {  // scrolling the window past a box never changes it
        e->ignore();
        return;
    }
    m_browsing = true;
    QComboBox::wheelEvent(e);
    m_browsing = false;
}

void TComboBox::focusOutEvent(QFocusEvent* e) {
    m_leaving = true;  // the box reports a text that names an item as activated when it loses the focus
    QComboBox::focusOutEvent(e);
    m_leaving = false;
    const bool left = e->reason() != Qt::PopupFocusReason && e->reason() != Qt::ActiveWindowFocusReason;
    if (left && m_dirty) confirm();
}

TComboBox* newChooser(QWidget* parent, const char* name, int maxLength, int minWidth) {
    auto* c = new TComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->lineEdit()->setMaxLength(maxLength);
    c->setMinimumWidth(minWidth);
    c->setMaxVisibleItems(20);
    return c;
}

namespace combo {

bool namesItem(const TComboBox* box) { return box->itemNamed(box->currentText().trimmed()) >= 0; }

namespace {
void settle(QComboBox* box) {
    if (auto* t = qobject_cast<TComboBox*>(box)) t->settle();
}
}  // namespace

void clear(QComboBox* box) {
    const QSignalBlocker block(box);
    const QSignalBlocker blockEdit(box->lineEdit());
    box->clear();
    if (box->lineEdit()) box->clearEditText();
    settle(box);
}

void fill(QComboBox* box, Query& q, const QString& field) {
    QStringList items;
    for (q.first(); !q.eof(); q.next()) items.append(q.fieldText(field));
    setItems(box, items);
}

void fillFrom(QComboBox* box, Query& q, const QString& field) {
    q.open();
    fill(box, q, field);
    q.close();
}

void setItems(QComboBox* box, const QStringList& items) {
    clear(box);
    const QSignalBlocker block(box);
    const QSignalBlocker blockEdit(box->lineEdit());
    box->addItems(items);
    box->setCurrentIndex(-1);
    if (box->lineEdit()) box->clearEditText();
}

void clearChoice(QComboBox* box) {
    const QSignalBlocker block(box);
    const QSignalBlocker blockEdit(box->lineEdit());
    box->setCurrentIndex(-1);
    if (box->lineEdit()) box->clearEditText();
    settle(box);
}

void setText(QComboBox* box, const QString& text) {
    const QSignalBlocker block(box);
    const QSignalBlocker blockEdit(box->lineEdit());
    // The item the text names becomes the current one, so that the list and the arrow keys start
    // from what is shown.
    box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    box->setEditText(text);
    settle(box);
}

void fillAllOrOne(TComboBox* subject, TComboBox* grade) {
    Database& db = DM->IBDatabase1;
    Transaction& tr = DM->IBTransaction1;
    setItems(subject, QStringList{kAll} + lookup::subjectsWithParticipants(db, tr));
    setItems(grade, QStringList{kAll} + lookup::dictionary(db, tr, lookup::Dictionary::Grades));
    setText(subject, kAll);
    setText(grade, kAll);
}

std::optional<QString> allOrOne(TComboBox* box, const QString& whatToChoose) {
    if (!namesItem(box)) {
        msg::error(whatToChoose);
        box->setFocus();
        return std::nullopt;
    }
    const QString text = box->itemText(box->itemNamed(box->currentText()));
    return text == kAll ? QString() : text;
}

}  // namespace combo
