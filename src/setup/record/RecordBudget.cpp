#include "setup/record/RecordBudget.h"

#include <algorithm>

namespace RecordBudget {

int Weight(int resolution)
{
    switch (resolution) {
    case k2Cif:
        return 2;
    case kCif:
        return 1;
    default:
        return 4;
    }
}

int ShownResolution(int resolution)
{
    return resolution == k2Cif || resolution == kCif ? resolution : k4Cif;
}

int Total(int videoStandard)
{
    return videoStandard == 0 ? kNtscTotal : kPalTotal;
}

int MaxRate(int videoStandard)
{
    return videoStandard == 0 ? 30 : 25;
}

int GetRateBudget(int total, int weight, int rows, int used)
{
    const int divisor = weight * rows;
    if (divisor <= 0)
        return 0;
    return std::max(0, (total - used) / divisor);
}

std::vector<int> DefaultRates(int channels, int videoStandard, int resolution)
{
    if (channels != 4 && channels != 8 && channels != 16)
        return {};
    const int frames = Total(videoStandard) / Weight(resolution);
    const int share = frames / channels;
    const int extra = frames % channels;
    const int cap = MaxRate(videoStandard);
    std::vector<int> rates(static_cast<size_t>(channels));
    for (int i = 0; i < channels; ++i)
        rates[static_cast<size_t>(i)] = std::min(cap, share + (i < extra ? 1 : 0));
    return rates;
}

} // namespace RecordBudget
