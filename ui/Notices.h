#pragma once

#include <QObject>

// Change notices: a window that changes what other windows show says so here, and every window
// that shows it refills itself. No window reaches into another.
namespace ui {

// What a dictionary dialog or the rounds window changed.
enum class Dictionary { Teams, Subjects, Grades, Schools, Rounds };

class TNotices : public QObject {
    Q_OBJECT
Q_SIGNALS:
    // Raised once the change is stored.
    void dictionaryChanged(ui::Dictionary kind);
};

// The program's one notifier.
TNotices& notices();

}  // namespace ui
