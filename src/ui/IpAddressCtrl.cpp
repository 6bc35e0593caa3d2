#include "ui/IpAddressCtrl.h"

#include "ui/SkinColors.h"
#include "ui/UiMessages.h"

#include <QIntValidator>
#include <QLineEdit>
#include <QPainter>

namespace {
constexpr int kDotWidth = 8;
}

CIpAddressCtrl::CIpAddressCtrl(QWidget* parent) : QWidget(parent), CDlgItem(this)
{
    setAutoFillBackground(false);
    for (int i = 0; i < 4; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setFrame(false);
        edit->setAlignment(Qt::AlignCenter);
        edit->setMaxLength(3);
        edit->setValidator(new QIntValidator(0, 255, edit));
        connect(edit, &QLineEdit::textChanged, this, [this, i] { OnEdited(i); });
        m_fields[static_cast<std::size_t>(i)] = edit;
    }
}

void CIpAddressCtrl::SetAddress(const std::array<std::uint8_t, 4>& address)
{
    for (int i = 0; i < 4; ++i)
        m_fields[static_cast<std::size_t>(i)]->setText(QString::number(address[static_cast<std::size_t>(i)]));
}

std::array<std::uint8_t, 4> CIpAddressCtrl::GetAddress() const
{
    std::array<std::uint8_t, 4> a{};
    for (int i = 0; i < 4; ++i)
        a[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(Field(i));
    return a;
}

int CIpAddressCtrl::Field(int i) const
{
    if (i < 0 || i > 3)
        return 0;
    bool ok = false;
    const int v = m_fields[static_cast<std::size_t>(i)]->text().toInt(&ok);
    return ok ? std::clamp(v, 0, 255) : 0;
}

QLineEdit* CIpAddressCtrl::FieldEdit(int i) const
{
    return i >= 0 && i < 4 ? m_fields[static_cast<std::size_t>(i)] : nullptr;
}

void CIpAddressCtrl::SetTextColor(COLORREF cr)
{
    for (QLineEdit* e : m_fields) {
        QPalette pal = e->palette();
        pal.setColor(QPalette::Text, QColor(static_cast<int>(cr & 0xFF), static_cast<int>((cr >> 8) & 0xFF),
                                            static_cast<int>((cr >> 16) & 0xFF)));
        e->setPalette(pal);
    }
}

void CIpAddressCtrl::OnEdited(int field)
{
    // The validator lets "256" through as intermediate input: bring it back.
    QLineEdit* e = m_fields[static_cast<std::size_t>(field)];
    bool ok = false;
    const int v = e->text().toInt(&ok);
    if (ok && v > 255) {
        e->setText(QStringLiteral("255"));
        return; // the corrected text reports the change
    }
    NotifyParent(IPN_FIELDCHANGED, 0);
    emit FieldChanged(field, Field(field));
}

void CIpAddressCtrl::resizeEvent(QResizeEvent*)
{
    const int w = (width() - 3 * kDotWidth) / 4;
    for (int i = 0; i < 4; ++i)
        m_fields[static_cast<std::size_t>(i)]->setGeometry(i * (w + kDotWidth), 0, w, height());
}

void CIpAddressCtrl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const int w = (width() - 3 * kDotWidth) / 4;
    p.setPen(Qt::black);
    for (int i = 1; i < 4; ++i)
        p.drawText(QRect(i * (w + kDotWidth) - kDotWidth, 0, kDotWidth, height()), Qt::AlignCenter,
                   QStringLiteral("."));
}
