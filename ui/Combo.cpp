#include "Combo.h"

#include "Query.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace combo {

void clear(QComboBox* box) {
    const QSignalBlocker block(box);
    if (box->lineEdit()) {
        const QSignalBlocker blockEdit(box->lineEdit());
        box->clear();
        box->clearEditText();
    } else {
        box->clear();
    }
}

void fill(QComboBox* box, Query& q, const QString& field) {
    clear(box);
    const QSignalBlocker block(box);
    const QSignalBlocker blockEdit(box->lineEdit());
    for (q.first(); !q.eof(); q.next()) box->addItem(q.fieldText(field));
    box->setCurrentIndex(-1);
    if (box->lineEdit()) box->clearEditText();
}

void fillFrom(QComboBox* box, Query& q, const QString& field) {
    q.open();
    fill(box, q, field);
    q.close();
}

void setText(QComboBox* box, const QString& text) {
    const QSignalBlocker block(box);
    const QSignalBlocker blockEdit(box->lineEdit());
    box->setEditText(text);
}

}  // namespace combo
