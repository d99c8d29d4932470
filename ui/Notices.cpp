#include "Notices.h"

namespace ui {

TNotices& notices() {
    static TNotices one;
    return one;
}

}  // namespace ui
