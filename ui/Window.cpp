#include "Window.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QScreen>

TForm::TForm(QWidget* owner, bool centreOnDesktop) : QDialog(owner), m_centre(centreOnDesktop) { setModal(true); }

void TForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (m_centre && !m_placed && screen()) {
        adjustSize();
        const QRect area = screen()->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
        m_placed = true;
    }
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
