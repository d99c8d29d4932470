#include "Window.h"

#include "Messages.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QKeySequence>
#include <QGridLayout>
#include <QLabel>
#include <QShortcut>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

TForm::TForm(QWidget* owner, bool centreOnDesktop) : QDialog(owner), m_centre(centreOnDesktop) { setModal(true); }

void TForm::reject() {
    if (isVisible() && unsavedWork() && !msg::confirm(kUnsaved)) return;
    QDialog::reject();
}

void TForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (m_centre && !m_placed && screen()) {
        if (!testAttribute(Qt::WA_Resized)) adjustSize();  // a window given its size keeps it
        const QRect area = screen()->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
        m_placed = true;
    }
}

std::pair<QPushButton*, QPushButton*> addDialogButtons(QDialog* dialog, QBoxLayout* layout, const QString& doText) {
    auto* row = new QHBoxLayout;
    auto* doIt = new QPushButton(doText, dialog);
    doIt->setObjectName(QStringLiteral("Button1"));
    doIt->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), dialog);
    cancel->setObjectName(QStringLiteral("Button2"));
    cancel->setAutoDefault(false);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    row->addStretch();
    row->addWidget(doIt);
    row->addWidget(cancel);
    layout->addLayout(row);
    return {doIt, cancel};
}

QPushButton* addMenuButton(QWidget* parent, QBoxLayout* layout, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumHeight(32);
    b->setMinimumWidth(270);
    b->setAutoDefault(false);
    layout->addWidget(b, 0, Qt::AlignHCenter);
    return b;
}

void showText(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    edit->setCursorPosition(0);
}

void pressedByKey(QAbstractButton* button, const QString& hint, const QKeySequence& key,
                  std::initializer_list<QWidget*> fields) {
    button->setToolTip(QStringLiteral("%1 (%2)").arg(hint, key.toString(QKeySequence::NativeText)));
    for (QWidget* field : fields) {
        auto* shortcut = new QShortcut(key, field);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled()) button->click();
        });
    }
}

QLabel* labelFor(QWidget* parent, const QString& text, QWidget* field) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(field);
    return l;
}

QList<QLabel*> placeChoosers(QWidget* parent, QGridLayout* top,
                             std::initializer_list<std::pair<QString, QWidget*>> choosers) {
    top->addWidget(new QLabel(QStringLiteral("по"), parent), 1, 0);
    QList<QLabel*> labels;
    int column = 1;
    for (const auto& [text, chooser] : choosers) {
        labels << labelFor(parent, text, chooser);
        top->addWidget(labels.last(), 0, column);
        top->addWidget(chooser, 1, column++);
    }
    return labels;
}

QLineEdit* shownValue(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    return e;
}
