// What the operator sees of the local search window, shown offscreen: its
// shape, and the connection log and information lists' rows.
#include "LocalWindowFixture.h"

#include "local/LocalLogPages.h"
#include "net/ConnectLog.h"
#include "platform/Skin.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <set>

namespace {

// The window as it reaches the screen: its drawing inside its shape; what
// the shape leaves out comes back transparent (the offscreen platform keeps
// the shape but does not cut the drawing by it, a desktop does).
QImage OperatorView(QWidget& window)
{
    QImage img = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRegion shape = window.mask();
    if (shape.isEmpty())
        return img;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!shape.contains(QPoint(x, y)))
                img.setPixel(x, y, 0);
    return img;
}

int KeyPixels(const QImage& img)
{
    const QRgb key = fromColorRef(kColorKey).rgb();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) != 0 && img.pixel(x, y) == key)
                ++n;
    return n;
}

} // namespace

TEST_F(LocalWindowTest, TheShownWindowHasNoKeyColourPixel)
{
    auto dlg = std::make_unique<CLocalSearchDlg>(&main, 200);
    dlg->Create();
    dlg->show();
    QApplication::processEvents();
    ASSERT_TRUE(dlg->isVisible());
    EXPECT_EQ(KeyPixels(OperatorView(*dlg)), 0);
    for (const QPoint corner : {QPoint(0, 0), QPoint(617, 0), QPoint(0, 545), QPoint(617, 545)})
        EXPECT_FALSE(dlg->mask().contains(corner)) << corner.x() << "," << corner.y();
    EXPECT_TRUE(dlg->mask().contains(QPoint(309, 273)));
    EXPECT_NEAR(dlg->windowOpacity(), 200 / 255.0, 0.01);
}
