// The frame budget of the record blocks: what a frame costs at each
// resolution, how many CIF frames per second a block may ask of the
// recorder, the largest rate a slider move may give the channels it changes,
// and the even share written back whenever the resolution changes.
#pragma once

#include <vector>

namespace RecordBudget {

// Resolution codes of the record blocks.
constexpr int k4Cif = 0;
constexpr int k2Cif = 1;
constexpr int kCif = 2;

constexpr int kNtscTotal = 240;
constexpr int kPalTotal = 200;

// CIF units of one frame: 4CIF 4, 2CIF 2, CIF 1. A code beyond the table
// (an image written elsewhere) is shown as 4CIF, so it costs as much.
int Weight(int resolution);
// The code a view shows for a stored resolution byte (beyond 2: 4CIF).
int ShownResolution(int resolution);
// Budget of a block in CIF frames per second: 240 NTSC (standard 0), 200 PAL.
int Total(int videoStandard);
// The largest rate a slider offers: 30 NTSC, 25 PAL.
int MaxRate(int videoStandard);

// The largest rate the changed channels may take: (total - used) / (weight
// x rows), truncated toward zero; never below 0, so a block already over its
// total gives 0 instead of a negative rate that a byte would wrap.
int GetRateBudget(int total, int weight, int rows, int used);

// The even share after a resolution change: (total / w) / channels for
// every channel, one more for the first (total / w) % channels, capped at
// the standard's maximum. Empty for a channel count other than 4, 8 or 16
// (then nothing is written).
std::vector<int> DefaultRates(int channels, int videoStandard, int resolution);

} // namespace RecordBudget
