#include "ui/SkinToolTip.h"

#include "ui/SkinColors.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPalette>
#include <QToolTip>
#include <QWidget>

namespace {
const char* const kTipProperty = "k5SkinToolTip";
}

CSkinToolTip::CSkinToolTip(QObject* parent) : QObject(parent)
{
    // Tips in the client's look: graphite with light text.
    QPalette pal = QToolTip::palette();
    pal.setColor(QPalette::ToolTipBase, SkinColor::Of(SkinColor::kRaised));
    pal.setColor(QPalette::ToolTipText, SkinColor::Of(SkinColor::kText));
    QToolTip::setPalette(pal);
}

bool CSkinToolTip::AddTool(QWidget* pWnd, const QString& text)
{
    if (!pWnd)
        return false;
    pWnd->setProperty(kTipProperty, text);
    pWnd->removeEventFilter(this);
    pWnd->installEventFilter(this);
    return true;
}

void CSkinToolTip::Activate(bool active)
{
    m_bActive = active;
    if (!active)
        QToolTip::hideText();
}

bool CSkinToolTip::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    const QString text = watched->property(kTipProperty).toString();
    if (!widget || !m_bActive || text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), text, widget);
    return true;
}
