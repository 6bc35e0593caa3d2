// What an operator can see and reach in a shown window: controls that were
// made (or re-parented) under a parent already on screen stay hidden unless
// shown, and nothing but an explicit hide should leave a control off screen.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

// Every control under `root` whose parent is on screen while it is not, and
// that nobody hid on purpose; each as "Class id at (x, y)".
inline std::vector<std::string> ControlsLeftHidden(const QWidget* root)
{
    std::vector<std::string> found;
    for (const QWidget* w : root->findChildren<const QWidget*>()) {
        const QWidget* parent = w->parentWidget();
        if (w->isWindow() || !parent || !parent->isVisible() || w->isVisible() ||
            w->testAttribute(Qt::WA_WState_ExplicitShowHide))
            continue;
        found.push_back(std::string(w->metaObject()->className()) + " under " +
                        parent->metaObject()->className() + " at (" + std::to_string(w->x()) + ", " +
                        std::to_string(w->y()) + ")");
    }
    return found;
}

// Where an operator's click at `pos` (in `window`) lands: the topmost
// visible control there, else the window's own background.
inline QWidget* ControlAt(QWidget* window, QPoint pos)
{
    QWidget* control = window->childAt(pos);
    return control ? control : window;
}
