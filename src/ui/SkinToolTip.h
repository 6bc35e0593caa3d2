// The main window's tooltip control: registers child windows as tools, each
// with its own text, shown when the mouse rests on the tool.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

class CSkinToolTip : public QObject
{
    Q_OBJECT
public:
    explicit CSkinToolTip(QObject* parent = nullptr);

    // False without a window. A window added again gets the new text.
    bool AddTool(QWidget* pWnd, const QString& text);
    // Inactive tooltips show nothing; the tools keep their texts.
    void Activate(bool active);
    bool IsActive() const { return m_bActive; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_bActive = true;
};
