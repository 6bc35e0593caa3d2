// The fixture of the page tests: a real setup window over an image, pages
// opened through it, clicks on real controls, and a check that the image
// the window would send changed in exactly the expected bytes.
#pragma once

#include "../WidgetInput.h"
#include "SetupTestSupport.h"

#include "setup/ChannelOnOffPage.h"
#include "setup/EventActionPage.h"
#include "setup/MailPages.h"
#include "setup/PtzProtocolTable.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupPage.h"
#include "setup/SetupPageIds.h"
#include "ui/ListPickerPopup.h"
#include "ui/SkinDraw.h"
#include "ui/SliderPickerPopup.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <functional>
#include <memory>

namespace pagetest {
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
}

class PageTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(bundle.Loaded()) << "the bundle is built before the tests"; }
    void TearDown() override
    {
        dlg.reset();
        Pump();
    }
    void Open(SetupDbImage image, RecorderCaps caps = Caps())
    {
        dlg.reset();
        Pump();
        m_image = image;
        dlg = std::make_unique<CRemoteSetupDlg>(nullptr, m_image.data(), 255, caps, RecorderLink(), nullptr,
                                                &registry);
        ASSERT_TRUE(dlg->Create());
        Pump();
    }
    template <class P> P* Show(int templateId, const SetupPageArgs& args = {})
    {
        auto* page = dynamic_cast<P*>(dlg->ShowPage(templateId, args));
        Pump();
        return page;
    }
    // The image as the window would send it now.
    SetupDbImage Sent() const
    {
        SetupDbImage copy = m_image;
        ConvertDbToNetwork(copy.data());
        return copy;
    }
    // Runs `act` and checks the sent image is the one before with exactly
    // `edit` applied (to a host-order copy).
    ::testing::AssertionResult ChangesOnly(const std::function<void()>& act,
                                           const std::function<void(ImageRef)>& edit)
    {
        const SetupDbImage before = Sent();
        SetupDbImage expected = m_image;
        edit(ImageRef(expected));
        ConvertDbToNetwork(expected.data());
        act();
        const SetupDbImage after = Sent();
        return DiffersExactlyAt(before.data(), after.data(), after.size(),
                                DiffOffsets(before.data(), expected.data(), expected.size()))
               << (after == expected ? "" : " (values differ)");
    }

    static CSetupPageRegistry MakeRegistry()
    {
        CSetupPageRegistry r;
        RegisterSetupPages(r);
        if (!r.Has(SetupPage::kEventActionB))
            r.Register(SetupPage::kEventActionB, [] { return new CEventActionPage(EventActionBDesc()); });
        return r;
    }

    BundleScope bundle;
    CSetupPageRegistry registry = MakeRegistry();
    SetupDbImage m_image{};
    std::unique_ptr<CRemoteSetupDlg> dlg;
};

// The image in network order with a u32 at `offset`.
inline ImageBuilder& U32(ImageBuilder& b, std::size_t offset, std::uint32_t v)
{
    return b.Bytes(offset, {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                            static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
}

} // namespace pagetest
