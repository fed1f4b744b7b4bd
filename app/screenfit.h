#ifndef SCREENFIT_H
#define SCREENFIT_H

class QWidget;

// Shrinks a top-level window that would not fit the free part of its screen, frame included,
// and puts it at that part's top left corner; a window that fits is left as it is.
void fitToScreen(QWidget &window);

#endif
