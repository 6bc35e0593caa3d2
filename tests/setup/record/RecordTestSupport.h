// What the record page tests share: the setup window over an image, clicks
// on the real controls, slider moves by pointer, and the recorder kinds.
#pragma once

#include "../../WidgetInput.h"
#include "../SetupTestSupport.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/SetupPageIds.h"
#include "setup/SetupPageRegistry.h"
#include "ui/SkinSlider.h"

#include <QApplication>
#include <QColor>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <memory>

namespace rectest {

using namespace setuptest;

inline void Pump()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

inline void Click(QWidget* w, QPoint pos = QPoint(3, 3))
{
    ClickWidget(w, pos);
    Pump();
}

// Presses the slider's track where it stands for `value` and lets go; the
// page hears the move through its message queue.
inline ::testing::AssertionResult MoveSlider(CSkinSlider& s, int value)
{
    for (int x = 0; x <= s.width(); ++x)
        if (s.PixelToPos(x) == value) {
            Click(&s, QPoint(x, s.height() / 2));
            return ::testing::AssertionSuccess();
        }
    return ::testing::AssertionFailure() << "no pixel of the slider stands for " << value;
}

inline RecorderCaps Kind(int channels, int major = 0, int minor = 1, bool connected = true)
{
    RecorderCaps c;
    c.channelCount = channels;
    c.hasConnection = connected;
    c.subProductMajor = major;
    c.subProductMinor = minor;
    c.subProduct6 = connected && major == 6;
    return c;
}

class RecordWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bundle.Loaded()) << "the bundle is built before the tests";
        RegisterSetupPages(registry);
    }
    void TearDown() override
    {
        dlg.reset();
        Pump();
    }
    // `image` is in host order (as the pages see it); the window gets it in
    // network order.
    void Open(const RecorderCaps& caps, SetupDbImage hostImage)
    {
        dlg.reset();
        Pump();
        m_image = hostImage;
        ConvertDbToNetwork(m_image.data());
        dlg = std::make_unique<CRemoteSetupDlg>(nullptr, m_image.data(), 255, caps, RecorderLink(), nullptr,
                                                &registry);
        ASSERT_TRUE(dlg->Create());
        Pump();
        m_before = Host();
    }
    // The image as the pages see it now.
    SetupDbImage Host() const
    {
        SetupDbImage copy;
        std::copy(m_image.begin(), m_image.end(), copy.begin());
        return copy;
    }
    template <class Page> Page* Show(int templateId)
    {
        auto* page = dynamic_cast<Page*>(dlg->ShowPage(templateId));
        Pump();
        return page;
    }
    ::testing::AssertionResult ChangedExactly(const std::set<std::size_t>& offsets)
    {
        const SetupDbImage now = Host();
        return DiffersExactlyAt(m_before.data(), now.data(), now.size(), offsets);
    }
    void Rebase() { m_before = Host(); }
    std::uint8_t At(std::size_t offset) const { return m_image[offset]; }

    BundleScope bundle;
    CSetupPageRegistry registry;
    SetupDbImage m_image{};
    SetupDbImage m_before{};
    std::unique_ptr<CRemoteSetupDlg> dlg;
};

// A host-order image of version major.minor: every byte 0 but the camera
// switches, all on.
inline SetupDbImage PageImage(int major, int minor)
{
    SetupDbImage im{};
    im[SetupDb::VersionMajor.offset] = static_cast<std::uint8_t>(major);
    im[SetupDb::VersionMinor.offset] = static_cast<std::uint8_t>(minor);
    for (int ch = 0; ch < 16; ++ch)
        im[SetupDb::CameraEnable.offset + ch] = 1;
    return im;
}

// Relative luminance of a colour on the screen, 0 (black) to 1 (white).
inline double Luminance(const QColor& c)
{
    auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}

// How far two colours stand apart to the eye: 1 (the same) to 21 (black on
// white).
inline double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Offsets first .. first + n - 1.
inline std::set<std::size_t> Range(std::size_t first, std::size_t n)
{
    std::set<std::size_t> out;
    for (std::size_t i = 0; i < n; ++i)
        out.insert(first + i);
    return out;
}

inline std::set<std::size_t> Union(std::set<std::size_t> a, const std::set<std::size_t>& b)
{
    a.insert(b.begin(), b.end());
    return a;
}

} // namespace rectest
