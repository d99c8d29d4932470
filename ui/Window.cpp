#include "Window.h"

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
