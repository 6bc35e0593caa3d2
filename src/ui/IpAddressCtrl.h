// An IPv4 address field: four number boxes 0-255 with dots between them. The
// program sets and reads all four; every change of one field, typed or set,
// reaches the parent as WM_COMMAND with IPN_FIELDCHANGED and the signal
// FieldChanged(field, value).
#pragma once

#include "ui/DlgItem.h"

#include <QWidget>
#include <array>
#include <cstdint>

class QLineEdit;

constexpr WORD IPN_FIELDCHANGED = 0x0F01;

class CIpAddressCtrl : public QWidget, public CDlgItem
{
    Q_OBJECT
public:
    explicit CIpAddressCtrl(QWidget* parent = nullptr);

    void SetAddress(const std::array<std::uint8_t, 4>& address);
    std::array<std::uint8_t, 4> GetAddress() const;
    // Field i (0-3) as typed; an empty field reads 0.
    int Field(int i) const;
    QLineEdit* FieldEdit(int i) const;
    void SetTextColor(COLORREF cr);

signals:
    void FieldChanged(int field, int value);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void OnEdited(int field);
    std::array<QLineEdit*, 4> m_fields{};
};
