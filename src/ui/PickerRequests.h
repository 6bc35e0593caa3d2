// The request records with which a page asks its window for a list or slider
// pop-up, and the window-side interface the pop-ups report to. The records
// keep their fixed byte layout because every window that opens a pop-up
// (remote setup, local setup, remote search) fills the same ones.
#pragma once

#include "platform/Types.h"

#include <cstddef>
#include <cstdint>

class QWidget;
class Wnd;

struct PickerRect
{
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

struct ListPickerRequest
{
    static constexpr int kMaxItems = 100;
    static constexpr int kItemSize = 260;

    std::int32_t Count;               // number of items
    char Items[kMaxItems][kItemSize]; // NUL-terminated item texts (Latin-1)
    PickerRect AnchorRect;            // screen rectangle of the clicked control
    std::int32_t ClickX;              // mouse-down point inside the control
    std::int32_t ClickY;
    std::int32_t Width; // pop-up width in pixels
};
static_assert(sizeof(ListPickerRequest) == 26032);
static_assert(offsetof(ListPickerRequest, Items) == 4);
static_assert(offsetof(ListPickerRequest, AnchorRect) == 26004);
static_assert(offsetof(ListPickerRequest, ClickX) == 26020);
static_assert(offsetof(ListPickerRequest, Width) == 26028);

struct SliderPickerRequest
{
    std::int32_t Count;  // sliders, 1-3
    std::int32_t Value1; // number mode: start value; time mode: hours
    std::int32_t Value2; // number mode: minimum;     time mode: minutes
    std::int32_t Value3; // number mode: maximum;     time mode: seconds
    PickerRect AnchorRect;
    std::int32_t ClickX;
    std::int32_t ClickY;
    std::int32_t Width;
};
static_assert(sizeof(SliderPickerRequest) == 44);
static_assert(offsetof(SliderPickerRequest, AnchorRect) == 16);
static_assert(offsetof(SliderPickerRequest, Width) == 40);

// Copies text into item i as Latin-1, cut to fit with its NUL. Out-of-range i
// writes nothing and returns false.
bool SetListPickerItem(ListPickerRequest& request, int i, const char* latin1);

// The window that owns the pop-ups. The pop-ups call it on the GUI thread;
// the owner may already be gone (it is then null), which the window must
// treat as "deliver nothing".
class IPickerHost
{
public:
    virtual void OnListPicked(QWidget* pOwner, int nItemId, int nIndex) = 0;
    virtual void OnSliderPicked(QWidget* pOwner, int nItemId, int nValue1, int nValue2, int nValue3)
    {
        (void)pOwner, (void)nItemId, (void)nValue1, (void)nValue2, (void)nValue3;
    }
    // The pop-up's window is gone (called from its DestroyWindow): clear the
    // slot that held it; the object deletes itself later.
    virtual void OnPickerGone(Wnd* pPopup) = 0;

protected:
    ~IPickerHost() = default;
};
