// The control sweep over every page and recorder kind (see ControlSweep.h):
// one case per kind; ctest runs the kinds as shards of their own
// (setup_sweep_N), apart from setup_tests.
#include "ControlSweep.h"
#include "../WidgetInput.h"
#include "SetupTestSupport.h"

#include "SimSetup.h"
#include "setup/DstSetupPage.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupMenuPlan.h"
#include "setup/SetupPage.h"
#include "setup/SetupPageIds.h"
#include "ui/GridStatic.h"
#include "ui/ListPickerPopup.h"
#include "ui/SkinButton.h"
#include "ui/SkinCheckBox.h"
#include "ui/SkinLabel.h"
#include "ui/SkinSlider.h"
#include "ui/SliderPickerPopup.h"

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <sstream>

using namespace setuptest;

namespace {

void Pump()
{
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

struct NoticeLog : ISetupHost
{
    std::vector<int> codes;
    void PostNotifyToMain(WndHandle, int code, int) override { codes.push_back(code); }
};

struct PageRef
{
    int templateId;
    SetupPageArgs args;
    friend bool operator<(const PageRef& a, const PageRef& b)
    {
        return std::tie(a.templateId, a.args.a, a.args.b) < std::tie(b.templateId, b.args.a, b.args.b);
    }
};

std::string Describe(const PageRef& p)
{
    std::ostringstream os;
    os << "page " << p.templateId;
    if (p.args.a != 0 || p.args.b != 0)
        os << " (" << p.args.a << ", " << p.args.b << ")";
    return os.str();
}

std::string Describe(const std::vector<sweep::Step>& view)
{
    std::ostringstream os;
    for (const sweep::Step& s : view)
        os << " > " << s.id << (s.variant >= 0 ? "#" + std::to_string(s.variant) : std::string());
    return os.str();
}

std::string Describe(const sweep::Bytes& b)
{
    // Runs of neighbouring offsets as first-last.
    std::ostringstream os;
    os << "{";
    for (auto it = b.begin(); it != b.end();) {
        std::size_t first = *it, last = *it;
        while (++it != b.end() && *it == last + 1)
            last = *it;
        os << ' ' << first;
        if (last != first)
            os << '-' << last;
    }
    os << " }";
    return os.str();
}

int IdOf(const QWidget* w)
{
    const auto* item = dynamic_cast<const CDlgItem*>(w);
    return item ? item->GetDlgCtrlID() : 0;
}

// A control an operator can press: shown, enabled, taking the mouse. Edit
// boxes take typing, not presses, and are left to their own tests.
bool Pressable(const QWidget* w)
{
    if (!w->isVisible() || !w->isEnabled() || w->testAttribute(Qt::WA_TransparentForMouseEvents))
        return false;
    if (const auto* b = qobject_cast<const CSkinButton*>(w))
        return b->m_bEnabled;
    return qobject_cast<const CSkinCheckBox*>(w) || qobject_cast<const CSkinSlider*>(w) ||
           qobject_cast<const CSkinLabel*>(w) || dynamic_cast<const CGridStaticBase*>(w);
}

int SliderPixel(const CSkinSlider& s, int pos)
{
    int best = 0;
    for (int x = 0; x < s.width(); ++x)
        if (std::abs(s.PixelToPos(x) - pos) < std::abs(s.PixelToPos(best) - pos))
            best = x;
    return best;
}

// Under K5_SWEEP_DISCOVER a control without a rule is pressed as if it owned
// every byte, and what it changed is printed: a help for writing the table.
const sweep::Rule& DiscoverRule()
{
    static const sweep::Rule rule = [] {
        sweep::Rule r;
        r.owned = [](const sweep::Context&, int) {
            sweep::Bytes all;
            for (std::size_t o = 2; o < SetupDb::kImageSize; ++o)
                all.insert(o);
            return all;
        };
        r.what = "discovered";
        return r;
    }();
    return rule;
}

class Sweeper
{
public:
    Sweeper(const sweep::Kind& kind, const CSetupPageRegistry& registry)
        : m_kind(kind), m_caps(sweep::CapsOf(kind)), m_registry(registry)
    {
        const k5sim::Bytes patterned =
            k5sim::PatternedSetupImage(SetupDb::kImageSize, static_cast<std::uint8_t>(kind.versionMajor),
                                       static_cast<std::uint8_t>(kind.versionMinor));
        std::copy(patterned.begin(), patterned.end(), m_image.begin());
        // Cameras on (1) and off (0), and the PTZ rows on protocols of the
        // recorder's list (one of them free, without baud rates), so that the
        // controls those values enable are pressed too.
        for (int c = 0; c < SetupDb::kChannels; ++c) {
            m_image[SetupDb::CameraEnable.At(static_cast<std::uint32_t>(c))] = c % 3 == 2 ? 0 : 1;
            m_image[SetupDb::PtzProtocol.At(static_cast<std::uint32_t>(c))] =
                static_cast<std::uint8_t>(c % 4);
        }
        m_image[SetupDb::KeyboardProtocol.At(0)] = 0;
        m_discover = std::getenv("K5_SWEEP_DISCOVER") != nullptr;
    }

    void Run()
    {
        m_dlg = std::make_unique<CRemoteSetupDlg>(nullptr, m_image.data(), 255, m_caps, RecorderLink(),
                                                  &m_notices, &m_registry);
        ASSERT_TRUE(m_dlg->Create());
        m_dlg->show();
        Pump();
        m_fresh = m_image; // host order from here on
        std::deque<PageRef> queue;
        SetupMenuCaps menuCaps;
        menuCaps.channelLock = m_dlg->m_bChannelLock != 0;
        menuCaps.servedModel = m_caps.servedModel;
        menuCaps.subProduct52 = m_caps.subProduct52;
        menuCaps.subProductMajor = m_caps.subProductMajor;
        menuCaps.version = m_dlg->Version();
        for (SetupMenuKind menu :
             {SetupMenuKind::Display, SetupMenuKind::Rec, SetupMenuKind::System, SetupMenuKind::Event})
            for (const SetupMenuButton& b : PlanSetupMenu(menu, menuCaps))
                if (b.slot >= 0 && b.page != 0)
                    Enqueue(queue, {b.page, b.args});
        while (!queue.empty()) {
            const PageRef page = queue.front();
            queue.pop_front();
            SweepPage(page, queue);
        }
        m_dlg.reset();
        Pump();
    }

private:
    void Enqueue(std::deque<PageRef>& queue, const PageRef& page)
    {
        if (m_pages.insert(page).second)
            queue.push_back(page);
    }

    CSetupPage* Current() const { return m_dlg ? m_dlg->CurrentPage() : nullptr; }

    // The page as the view's presses leave it, on `image`.
    CSetupPage* OpenView(const PageRef& ref, const std::vector<sweep::Step>& view, const SetupDbImage& image)
    {
        m_dlg->ClosePickers();
        m_dlg->ShowPage(SetupPage::kEmpty);
        Pump();
        std::copy(image.begin(), image.end(), m_image.begin());
        CSetupPage* page = m_dlg->ShowPage(ref.templateId, ref.args);
        Pump();
        if (page == nullptr || Current() != page)
            return nullptr;
        for (const sweep::Step& s : view) {
            QWidget* w = Control(s.id);
            if (w == nullptr)
                return nullptr;
            Press(w, s.variant);
            if (Current() != page)
                return nullptr;
        }
        return page;
    }

    std::vector<QWidget*> Controls() const
    {
        std::vector<QWidget*> out;
        CSetupPage* page = Current();
        if (page == nullptr)
            return out;
        for (QWidget* w : page->findChildren<QWidget*>())
            if (Pressable(w) && IdOf(w) != 0)
                out.push_back(w);
        return out;
    }

    QWidget* Control(int id) const
    {
        for (QWidget* w : Controls())
            if (IdOf(w) == id)
                return w;
        return nullptr;
    }

    std::set<int> ControlIds() const
    {
        std::set<int> ids;
        for (QWidget* w : Controls())
            ids.insert(IdOf(w));
        return ids;
    }

    // One press; false when the control has no such variant (the press then
    // closed what it opened).
    bool Press(QWidget* w, int variant)
    {
        const QPoint middle(w->width() / 2, w->height() / 2);
        if (auto* s = qobject_cast<CSkinSlider*>(w)) {
            if (variant < 0 || variant > 1)
                return false;
            ClickWidget(s, QPoint(SliderPixel(*s, variant == 0 ? s->m_nMin : s->m_nMax), s->height() / 2));
            Pump();
            return true;
        }
        if (dynamic_cast<CGridStaticBase*>(w) != nullptr) {
            ClickWidget(w, QPoint(w->width() / 3, w->height() / 3));
            Pump();
            return variant < 0;
        }
        ClickWidget(w, middle);
        Pump();
        if (CListPickerPopup* list = m_dlg->ListPicker()) {
            if (variant < 0 || variant >= list->ShownCount()) {
                m_dlg->ClosePickers();
                Pump();
                return false;
            }
            ClickWidget(&list->m_cells[variant], QPoint(list->m_cells[variant].width() / 2, 3));
            Pump();
            return true;
        }
        if (CSliderPickerPopup* slider = m_dlg->SliderPicker()) {
            const int k = variant / 2;
            if (variant < 0 || k >= slider->ShownRows()) {
                m_dlg->ClosePickers();
                Pump();
                return false;
            }
            CSkinSlider& s = slider->m_sliders[k];
            ClickWidget(&s, QPoint(SliderPixel(s, variant % 2 == 0 ? s.m_nMin : s.m_nMax), s.height() / 2));
            Pump();
            m_dlg->ClosePickers();
            Pump();
            return true;
        }
        return variant < 0;
    }

    // The variants a control is pressed in.
    std::vector<int> Variants(QWidget* w) const
    {
        if (qobject_cast<CSkinSlider*>(w))
            return {0, 1};
        if (dynamic_cast<CGridStaticBase*>(w) != nullptr || qobject_cast<CSkinCheckBox*>(w))
            return {-1};
        // Value cells and buttons: the first press tells whether a picker
        // opens and how many rows or slider ends it has.
        std::vector<int> v;
        for (int i = 0; i < 2 * kListPickerMaxCells; ++i)
            v.push_back(i);
        return v;
    }

    sweep::Context ContextOf(const PageRef& ref, const std::vector<sweep::Step>& view) const
    {
        sweep::Context ctx;
        ctx.caps = m_caps;
        ctx.version = m_dlg->Version();
        ctx.templateId = ref.templateId;
        ctx.args = ref.args;
        ctx.view = view;
        ctx.page = Current();
        ctx.image = m_image.data();
        return ctx;
    }

    SetupDbImage Now() const { return m_image; }

    void SweepPage(const PageRef& ref, std::deque<PageRef>& queue)
    {
        std::vector<std::vector<sweep::Step>> views{{}};
        std::set<std::pair<int, std::string>> done;
        for (std::size_t v = 0; v < views.size(); ++v) {
            if (views.size() > 48) {
                ADD_FAILURE() << m_kind.name << " " << Describe(ref) << ": the views do not end";
                return;
            }
            const std::vector<sweep::Step> view = views[v];
            if (OpenView(ref, view, m_fresh) == nullptr) {
                ADD_FAILURE() << m_kind.name << " " << Describe(ref) << Describe(view) << ": does not open";
                continue;
            }
            const std::string where = std::string(m_kind.name) + " " + Describe(ref) + Describe(view);
            // Two controls shown under one id would be told apart by nobody.
            {
                std::map<int, int> count;
                for (QWidget* w : Controls())
                    ++count[IdOf(w)];
                for (auto [id, n] : count)
                    EXPECT_EQ(n, 1) << where << ": " << n << " controls shown with id " << id;
            }
            const std::set<int> ids = ControlIds();
            bool dirty = false;
            for (int id : ids) {
                if (dirty && OpenView(ref, view, m_fresh) == nullptr) {
                    ADD_FAILURE() << where << ": does not open again";
                    break;
                }
                dirty = false;
                const sweep::Context ctx = ContextOf(ref, view);
                const sweep::Rule* rule = sweep::FindRule(ctx, id);
                if (rule == nullptr && m_discover)
                    rule = &DiscoverRule();
                if (rule == nullptr) {
                    if (done.insert({id, "?"}).second)
                        ADD_FAILURE() << where << ": control " << id << " has no rule";
                    continue;
                }
                // A control owning no byte may still write some on the way
                // (a view that zeroes locked channels, a page's teardown).
                const sweep::Bytes owned = rule->owned ? rule->owned(ctx, id) : sweep::Bytes{};
                if (!done.insert({id, Describe(owned)}).second)
                    continue;
                dirty = true;
                if (rule->after != 0) {
                    if (QWidget* a = Control(rule->after))
                        Press(a, -1);
                }
                QWidget* w = Control(id);
                if (w == nullptr) {
                    ADD_FAILURE() << where << ": control " << id << " went away";
                    continue;
                }
                const std::string control =
                    where + ": control " + std::to_string(id) + " (" + rule->what + ")";
                if (rule->effect == sweep::Effect::Bytes) {
                    // Values left behind do not matter to the next control (a
                    // press that writes nothing is tried again over the
                    // complement); other controls coming into view do.
                    const bool clean = PressBytes(ref, view, id, rule->after, owned, control, views);
                    dirty = !clean || rule->after != 0 || ControlIds() != ids || Current() == nullptr;
                    continue;
                }
                const SetupDbImage before = Now();
                QImage picture = Current()->grab().toImage();
                CSetupPage* page = Current();
                const std::size_t notices = m_notices.codes.size();
                Press(w, rule->pick);
                if (m_discover)
                    std::printf("DISCOVER %s kind=%d changed=%s\n", control.c_str(), int(rule->effect),
                                Describe(DiffOffsets(before.data(), m_image.data(), before.size())).c_str());
                {
                    const sweep::Bytes changed = DiffOffsets(before.data(), m_image.data(), before.size());
                    EXPECT_TRUE(std::includes(owned.begin(), owned.end(), changed.begin(), changed.end()))
                        << control << ": changed " << Describe(changed) << ", may write " << Describe(owned);
                }
                switch (rule->effect) {
                case sweep::Effect::Shows:
                    EXPECT_EQ(Current(), page) << control;
                    if (Current() == page) {
                        QImage shown = Current()->grab().toImage();
                        // A tab already shown, a channel already chosen: show a
                        // sibling first, then press again.
                        if (shown == picture) {
                            for (int sibling = rule->first; sibling <= rule->last; ++sibling) {
                                QWidget* other = sibling != id ? Control(sibling) : nullptr;
                                if (other == nullptr)
                                    continue;
                                Press(other, rule->pick);
                                const QImage away = Current()->grab().toImage();
                                picture = away;
                                if (QWidget* again = Control(id))
                                    Press(again, rule->pick);
                                shown = Current()->grab().toImage();
                                if (shown != away)
                                    break;
                            }
                        }
                        EXPECT_NE(shown, picture) << control << ": the page looks the same";
                        if (rule->reveals || !std::includes(ids.begin(), ids.end(), ControlIds().begin(),
                                                            ControlIds().end())) {
                            std::vector<sweep::Step> next = view;
                            next.push_back({id, rule->pick});
                            if (std::find(views.begin(), views.end(), next) == views.end())
                                views.push_back(next);
                        }
                    }
                    break;
                case sweep::Effect::Opens:
                    if (Current() == nullptr || Current()->TemplateId() != rule->opens) {
                        ADD_FAILURE() << control << ": page " << rule->opens << " did not open";
                        break;
                    }
                    Enqueue(queue, {rule->opens, Current()->Args()});
                    break;
                case sweep::Effect::Posts:
                    EXPECT_EQ(Current(), page) << control;
                    EXPECT_EQ(m_notices.codes.size(), notices + 1) << control;
                    if (m_notices.codes.size() == notices + 1) {
                        EXPECT_EQ(m_notices.codes.back(), rule->opens) << control;
                    }
                    break;
                case sweep::Effect::Link:
                case sweep::Effect::Inert:
                    EXPECT_EQ(Current(), page) << control;
                    break;
                case sweep::Effect::Bytes:
                    break;
                }
            }
        }
    }

    // Every variant of a byte-owning control, each press writing only the
    // control's bytes; at least one press must write. A control that writes
    // nothing over the patterned bytes is tried again over their complement,
    // where every value it can write differs from the stored one.
    // True when the page is left on the image it was opened on.
    bool PressBytes(const PageRef& ref, const std::vector<sweep::Step>& view, int id, int after,
                    const sweep::Bytes& owned, const std::string& control,
                    std::vector<std::vector<sweep::Step>>& views)
    {
        sweep::Bytes reached;
        bool clean = true;
        for (int round = 0; round < 2 && reached.empty(); ++round) {
            SetupDbImage image = m_fresh;
            if (round == 1) {
                clean = false;
                for (std::size_t o : owned)
                    image[o] = static_cast<std::uint8_t>(~image[o]);
                if (OpenView(ref, view, image) == nullptr) {
                    ADD_FAILURE() << control << ": does not open over the complement";
                    return false;
                }
                if (QWidget* a = after != 0 ? Control(after) : nullptr)
                    Press(a, -1);
            }
            const std::set<int> shown = ControlIds();
            QWidget* w = Control(id);
            for (int variant : w ? Variants(w) : std::vector<int>{}) {
                w = Control(id);
                if (w == nullptr)
                    break;
                const SetupDbImage before = Now();
                CSetupPage* page = Current();
                const bool pressed = Press(w, variant);
                const sweep::Bytes changed = DiffOffsets(before.data(), m_image.data(), before.size());
                if (m_discover && !changed.empty())
                    std::printf("DISCOVER %s variant %d changed=%s\n", control.c_str(), variant,
                                Describe(changed).c_str());
                reached.insert(changed.begin(), changed.end());
                EXPECT_TRUE(std::includes(owned.begin(), owned.end(), changed.begin(), changed.end()))
                    << control << " variant " << variant << ": changed " << Describe(changed) << ", owns "
                    << Describe(owned);
                if (Current() != page) {
                    ADD_FAILURE() << control << " variant " << variant << ": the page went";
                    return false;
                }
                if (!pressed)
                    break;
                // A value that brings new controls into view opens a view of its own.
                const std::set<int> now = ControlIds();
                if (round == 0 && !std::includes(shown.begin(), shown.end(), now.begin(), now.end())) {
                    std::vector<sweep::Step> next = view;
                    next.push_back({id, variant});
                    bool known = false;
                    for (const auto& v : views)
                        known = known || (!v.empty() && v.size() == next.size() && v.back().id == id);
                    if (!known)
                        views.push_back(next);
                }
            }
        }
        EXPECT_FALSE(reached.empty()) << control << ": no press reached a byte of " << Describe(owned);
        return clean;
    }

    const sweep::Kind m_kind;
    const RecorderCaps m_caps;
    const CSetupPageRegistry& m_registry;
    SetupDbImage m_image{};
    SetupDbImage m_fresh{};
    NoticeLog m_notices;
    std::unique_ptr<CRemoteSetupDlg> m_dlg;
    std::set<PageRef> m_pages;
    bool m_discover = false;
};

class ControlSweep : public ::testing::TestWithParam<sweep::Kind>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bundle.Loaded()) << "the bundle is built before the tests";
        RegisterSetupPages(registry);
        // The summer-time page asks before it goes; the sweep answers no.
        CDstSetupPage::SetConfirmForTesting([] { return false; });
    }
    void TearDown() override
    {
        CDstSetupPage::SetConfirmForTesting(nullptr);
        Pump();
    }
    BundleScope bundle;
    CSetupPageRegistry registry;
};

TEST_P(ControlSweep, EveryControlReachesWhatItOwns)
{
    Sweeper(GetParam(), registry).Run();
}

std::string KindName(const ::testing::TestParamInfo<sweep::Kind>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, ControlSweep, ::testing::ValuesIn(sweep::Kinds()), KindName);

// The sweep starts from the pages the menus offer each kind and follows the
// pages controls open: together they reach every page the registry makes.
TEST(ControlSweepPlan, ReachesEveryRegisteredPage)
{
    CSetupPageRegistry registry;
    RegisterSetupPages(registry);
    // The sweep shows the empty page between its views.
    std::set<int> reached{SetupPage::kEmpty};
    for (const sweep::Kind& kind : sweep::Kinds()) {
        const RecorderCaps caps = sweep::CapsOf(kind);
        SetupMenuCaps menuCaps;
        menuCaps.channelLock = caps.subProduct6;
        menuCaps.servedModel = caps.servedModel;
        menuCaps.subProduct52 = caps.subProduct52;
        menuCaps.subProductMajor = caps.subProductMajor;
        menuCaps.version = {kind.versionMajor, kind.versionMinor};
        for (SetupMenuKind menu :
             {SetupMenuKind::Display, SetupMenuKind::Rec, SetupMenuKind::System, SetupMenuKind::Event})
            for (const SetupMenuButton& b : PlanSetupMenu(menu, menuCaps))
                if (b.slot >= 0)
                    reached.insert(b.page);
    }
    for (const sweep::Rule& r : sweep::AllRules())
        if (r.effect == sweep::Effect::Opens)
            reached.insert(r.opens);
    for (int id = 0; id < 0x10000; ++id) {
        if (registry.Has(id)) {
            EXPECT_TRUE(reached.count(id)) << "page " << id << " is never swept";
        }
    }
}

} // namespace
