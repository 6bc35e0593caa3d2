// The IPv4 address field: set and read, one notice per field change, typed
// numbers kept within 0-255.
#include "ui/IpAddressCtrl.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(IpAddressCtrl, SetGetAndFieldChanges)
{
    CIpAddressCtrl ip;
    ip.resize(248, 19);
    QSignalSpy spy(&ip, &CIpAddressCtrl::FieldChanged);
    ip.SetAddress({192, 168, 0, 255});
    EXPECT_EQ(ip.GetAddress(), (std::array<std::uint8_t, 4>{192, 168, 0, 255}));
    EXPECT_EQ(spy.count(), 4); // each field set is one change

    spy.clear();
    QLineEdit* third = ip.FieldEdit(2);
    third->setFocus();
    third->selectAll();
    QTest::keyClicks(third, "300");
    // "300" is never kept: the validator refuses it or the field comes back to 255.
    EXPECT_LE(ip.Field(2), 255);
    EXPECT_FALSE(third->text().toInt() > 255);
    ASSERT_GE(spy.count(), 1);
    EXPECT_EQ(spy.last().at(0).toInt(), 2);
    EXPECT_EQ(ip.Field(0), 192);

    third->setText(QString());
    EXPECT_EQ(ip.Field(2), 0); // an empty field reads 0
    EXPECT_EQ(ip.FieldEdit(4), nullptr);
    EXPECT_EQ(ip.Field(-1), 0);
}
