#include "app/screenfit.h"

#include <QScreen>
#include <QWidget>

namespace {
// The frame is known only once the window is shown: room for a usual title bar and borders.
const QSize FRAME_ROOM(16, 40);
} // namespace

void fitToScreen(QWidget &window)
{
    const QRect available = window.screen()->availableGeometry();
    const QSize room = available.size() - FRAME_ROOM;
    if (window.width() <= room.width() && window.height() <= room.height())
        return;
    window.resize(window.size().boundedTo(room));
    window.move(available.topLeft());
}
