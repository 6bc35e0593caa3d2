// slice_data() for CAVLC slices: macroblock layer, residual blocks, the
// neighbour derivation that nC and P-slice vector prediction need, and the
// watermark hooks.
#include "local/h264/H264DecoderState.h"
#include "local/h264/H264Tables.h"

#include <algorithm>
#include <cstring>

namespace h264 {

namespace {

const std::uint32_t kPTypes[5] = {0x1008, 0x3010, 0x3020, 0x3040, 0x3240};
const std::uint32_t kPSubTypes[4] = {0x1008, 0x1010, 0x1020, 0x1040};
const std::uint32_t kBTypes[23] = {0x100,  0x1008, 0x4008, 0x5008, 0x3010, 0x3020, 0xC010, 0xC020,
                                   0x9010, 0x9020, 0x6010, 0x6020, 0xB010, 0xB020, 0xE010, 0xE020,
                                   0x7010, 0x7020, 0xD010, 0xD020, 0xF010, 0xF020, 0xF040};
const std::uint32_t kBSubTypes[13] = {0x100,  0x1008, 0x4008, 0x5008, 0x3010, 0x3020, 0xC010,
                                      0xC020, 0xF010, 0xF020, 0x3040, 0xC040, 0xF040};

inline int BlkX(int n) { return 4 * ((n & 1) + ((n >> 1) & 2)); }
inline int BlkY(int n) { return 4 * (((n >> 1) & 1) + ((n >> 2) & 2)); }
// luma4x4BlkIdx of the block holding sample (x, y), both 0-15.
constexpr int BlkIdx(int x, int y) { return (y & 8) + ((x & 8) >> 1) + ((y & 4) >> 1) + ((x & 4) >> 2); }

int NumParts(std::uint32_t t)
{
    if (t & 0x8)
        return 1;
    if (t & 0x30)
        return 2;
    return 4;
}

struct Neighbour
{
    int addr = -1; // -1 not available, -2 the current macroblock
    int x = 0;
    int y = 0;
};

// A fresh macroblock record, copied rather than built field by field.
const MbRecord kNoRecord{};

class SliceParser
{
public:
    SliceParser(DecoderState& s) : m_s(s), m_tab(GetCavlcTables()) {}
    SliceEnd Run(int* mbCount);

private:
    // geometry
    bool Available(int addr) const
    {
        return addr >= 0 && addr < static_cast<int>(m_s.mbs.size()) &&
               m_s.mbs[static_cast<std::size_t>(addr)].slice == m_slice;
    }
    Neighbour Locate(int xN, int yN, int maxW, int maxH) const;
    void SetPosition(int addr);

    // macroblock layer
    bool ParseMacroblock();
    void Skipped();
    bool InterPred(std::uint32_t& type, const std::uint32_t* sub, bool& no8x8Less);
    bool Residual(std::uint32_t type, int cbp, bool dct8);
    bool ResidualBlocks(H264BitCache& bc, std::uint32_t type, int cbp, bool dct8);
    template <bool kStore>
    bool ResidualBlock(H264BitCache& bc, int nC, int maxNum, int* coeffs, int* total);
    int LumaNc(int blk) const;
    int ChromaNc(int comp, int blk) const;
    std::uint8_t OutsideNz(const Neighbour& n, int comp) const;
    void PrepareLumaNc();
    void PrepareChromaNc();
    void StoreAndReport(std::uint32_t type, int cbp);

    // motion
    struct Motion
    {
        bool avail = false;
        int ref = -1;
        int mv[2] = {0, 0};
    };
    Motion NeighbourMotion(int xN, int yN, int curFirstBlk) const;
    void PredictMv(int x, int y, int w, int h, int ref, int* mv) const;
    void SkipMv(int* mv) const;
    void FillMotion(int x, int y, int w, int h, int ref, const int* mv);

    bool InferFieldFlag() const;

    DecoderState& m_s;
    const CavlcTables& m_tab;
    H264BitReader* m_br = nullptr;
    std::uint32_t m_slice = 0;
    int m_addr = 0;
    int m_mbX = 0, m_mbY = 0;
    int m_picWidth = 0;
    int m_picSize = 0;
    bool m_mbaff = false;
    int m_field = 0; // current macroblock's field flag
    int m_qp = 0;
    bool m_compare = false;
    bool m_intraCur = false;
    MbRecord m_cur;
    // Non-zero counts for nC: the current macroblock's luma blocks by
    // luma4x4BlkIdx (0-15), then those just outside it by row (left, 16-19)
    // and column (above, 20-23); kNoNz where the neighbour does not count.
    // The neighbours do not change while one macroblock is parsed, so they
    // are located once per macroblock rather than once per block.
    std::uint8_t m_nz[24] = {};
    std::uint8_t m_nzChromaLeft[2][2] = {};
    std::uint8_t m_nzChromaTop[2][2] = {};
};

void SliceParser::SetPosition(int addr)
{
    m_addr = addr;
    if (m_mbaff) {
        const int pair = addr / 2;
        m_mbX = pair % m_picWidth;
        m_mbY = 2 * (pair / m_picWidth) + (addr & 1);
    } else {
        m_mbX = addr % m_picWidth;
        m_mbY = addr / m_picWidth;
    }
}

// Neighbouring locations (6.4.12), frame, field and MBAFF.
Neighbour SliceParser::Locate(int xN, int yN, int maxW, int maxH) const
{
    Neighbour n;
    if (yN >= maxH || (xN >= maxW && yN >= 0))
        return n;
    if (xN >= 0 && xN < maxW && yN >= 0) {
        n.addr = -2;
        n.x = xN;
        n.y = yN;
        return n;
    }
    const int W = m_picWidth;
    n.x = (xN + maxW) % maxW;
    if (!m_mbaff) {
        int a = -1;
        const bool left = m_mbX > 0, right = m_mbX < W - 1;
        if (xN < 0 && yN < 0)
            a = left ? m_addr - W - 1 : -1;
        else if (xN < 0)
            a = left ? m_addr - 1 : -1;
        else if (xN < maxW)
            a = m_addr - W;
        else
            a = right ? m_addr - W + 1 : -1;
        n.addr = Available(a) ? a : -1;
        n.y = (yN + maxH) % maxH;
        return n;
    }
    // MBAFF: pairs.
    const int pair = m_addr / 2;
    const bool top = (m_addr & 1) == 0;
    const bool curFrame = m_field == 0;
    const bool left = m_mbX > 0, right = m_mbX < W - 1;
    const int pairA = left ? 2 * (pair - 1) : -1;
    const int pairB = 2 * (pair - W);
    const int pairC = right ? 2 * (pair - W + 1) : -1;
    const int pairD = left ? 2 * (pair - W - 1) : -1;
    auto frameOf = [&](int p) { return m_s.mbs[static_cast<std::size_t>(p)].field == 0; };
    int addr = -1;
    int yM = 0;
    if (xN < 0 && yN < 0) { // D
        if (curFrame) {
            if (top) {
                if (Available(pairD)) {
                    addr = pairD + 1;
                    yM = yN;
                }
            } else if (Available(pairA)) {
                if (frameOf(pairA)) {
                    addr = pairA;
                    yM = yN;
                } else {
                    addr = pairA;
                    yM = (yN + maxH) >> 1;
                }
            }
        } else {
            if (Available(pairD)) {
                if (top) {
                    if (frameOf(pairD)) {
                        addr = pairD + 1;
                        yM = 2 * yN;
                    } else {
                        addr = pairD;
                        yM = yN;
                    }
                } else {
                    addr = pairD + 1;
                    yM = yN;
                }
            }
        }
    } else if (xN < 0) { // A
        if (Available(pairA)) {
            const bool aFrame = frameOf(pairA);
            if (curFrame) {
                if (top) {
                    if (aFrame) {
                        addr = pairA;
                        yM = yN;
                    } else {
                        addr = pairA + (yN % 2);
                        yM = yN >> 1;
                    }
                } else {
                    if (aFrame) {
                        addr = pairA + 1;
                        yM = yN;
                    } else {
                        addr = pairA + (yN % 2);
                        yM = (yN + maxH) >> 1;
                    }
                }
            } else {
                if (top) {
                    if (aFrame) {
                        if (yN < maxH / 2) {
                            addr = pairA;
                            yM = yN << 1;
                        } else {
                            addr = pairA + 1;
                            yM = (yN << 1) - maxH;
                        }
                    } else {
                        addr = pairA;
                        yM = yN;
                    }
                } else {
                    if (aFrame) {
                        if (yN < maxH / 2) {
                            addr = pairA;
                            yM = (yN << 1) + 1;
                        } else {
                            addr = pairA + 1;
                            yM = (yN << 1) + 1 - maxH;
                        }
                    } else {
                        addr = pairA + 1;
                        yM = yN;
                    }
                }
            }
        }
    } else if (xN < maxW) { // B
        if (curFrame) {
            if (top) {
                if (Available(pairB)) {
                    addr = pairB + 1;
                    yM = yN;
                }
            } else {
                addr = m_addr - 1;
                yM = yN;
            }
        } else if (Available(pairB)) {
            if (top) {
                if (frameOf(pairB)) {
                    addr = pairB + 1;
                    yM = 2 * yN;
                } else {
                    addr = pairB;
                    yM = yN;
                }
            } else {
                addr = pairB + 1;
                yM = yN;
            }
        }
    } else { // C
        if (curFrame) {
            if (top && Available(pairC)) {
                addr = pairC + 1;
                yM = yN;
            }
        } else if (Available(pairC)) {
            if (top) {
                if (frameOf(pairC)) {
                    addr = pairC + 1;
                    yM = 2 * yN;
                } else {
                    addr = pairC;
                    yM = yN;
                }
            } else {
                addr = pairC + 1;
                yM = yN;
            }
        }
    }
    if (addr < 0)
        return n;
    n.addr = addr;
    n.y = (yM + maxH) % maxH;
    return n;
}

// A neighbour that does not count for nC. Counts are at most 16, so the sum
// of two tells whether either of them is this mark (see AverageNc).
constexpr std::uint8_t kNoNz = 64;

// comp -1 luma, else the chroma component; n lies outside the macroblock.
inline std::uint8_t SliceParser::OutsideNz(const Neighbour& n, int comp) const
{
    if (n.addr < 0)
        return kNoNz;
    const MbRecord& r = m_s.mbs[static_cast<std::size_t>(n.addr)];
    // In a partitioned slice an inter neighbour of an intra macroblock
    // under constrained intra prediction does not count.
    if (m_s.slice.dataPartitioned && m_s.activePps.constrainedIntraPred && m_intraCur && !(r.type & 0x7))
        return kNoNz;
    if (comp < 0)
        return r.nzLuma[BlkIdx(n.x, n.y)];
    return r.nzChroma[comp][2 * (n.y / 4) + n.x / 4];
}

void SliceParser::PrepareLumaNc()
{
    std::memset(m_nz, 0, 16);
    // The upper neighbour is one macroblock and row whatever the column,
    // also in MBAFF; outside MBAFF so is the left one whatever the row.
    Neighbour top = Locate(0, -1, 16, 16);
    Neighbour left = Locate(-1, 0, 16, 16);
    for (int i = 0; i < 4; ++i) {
        top.x = 4 * i;
        if (m_mbaff)
            left = Locate(-1, 4 * i, 16, 16);
        else
            left.y = 4 * i;
        m_nz[16 + i] = OutsideNz(left, -1);
        m_nz[20 + i] = OutsideNz(top, -1);
    }
}

void SliceParser::PrepareChromaNc()
{
    Neighbour left = Locate(-1, 0, 8, 8);
    Neighbour top = Locate(0, -1, 8, 8);
    for (int i = 0; i < 2; ++i) {
        top.x = 4 * i;
        if (m_mbaff)
            left = Locate(-1, 4 * i, 8, 8);
        else
            left.y = 4 * i;
        for (int c = 0; c < 2; ++c) {
            m_nzChromaLeft[c][i] = OutsideNz(left, c);
            m_nzChromaTop[c][i] = OutsideNz(top, c);
        }
    }
}

// nC from the counts of the left and upper neighbours, either kNoNz: their
// rounded mean when both count, else the one that counts, else 0.
inline int AverageNc(int a, int b)
{
    const int sum = a + b;
    return sum < kNoNz ? (sum + 1) >> 1 : sum & (kNoNz / 2 - 1);
}

// Per luma4x4BlkIdx, the index in SliceParser::m_nz of the block to the left
// and of the one above.
struct LumaNeighbourTable
{
    std::int8_t left[16];
    std::int8_t top[16];
};
constexpr LumaNeighbourTable MakeLumaNeighbours()
{
    LumaNeighbourTable t{};
    for (int blk = 0; blk < 16; ++blk) {
        const int x = 4 * ((blk & 1) + ((blk >> 1) & 2));
        const int y = 4 * (((blk >> 1) & 1) + ((blk >> 2) & 2));
        t.left[blk] = static_cast<std::int8_t>(x > 0 ? BlkIdx(x - 1, y) : 16 + (y >> 2));
        t.top[blk] = static_cast<std::int8_t>(y > 0 ? BlkIdx(x, y - 1) : 20 + (x >> 2));
    }
    return t;
}
constexpr LumaNeighbourTable kLumaNeighbours = MakeLumaNeighbours();

inline int SliceParser::LumaNc(int blk) const
{
    return AverageNc(m_nz[kLumaNeighbours.left[blk]], m_nz[kLumaNeighbours.top[blk]]);
}

inline int SliceParser::ChromaNc(int comp, int blk) const
{
    const int a = (blk & 1) ? m_cur.nzChroma[comp][blk - 1] : m_nzChromaLeft[comp][blk >> 1];
    const int b = (blk & 2) ? m_cur.nzChroma[comp][blk - 2] : m_nzChromaTop[comp][blk & 1];
    return AverageNc(a, b);
}

// residual_block_cavlc(). With kStore, coeffs receives the levels by
// coefficient index; without it the block is only walked for its length,
// refusals and TotalCoeff, which is all the check needs of every block but
// the keyed one. On a refusal the position stays where the refused code
// starts, or after a code whose value is out of range.
template <bool kStore>
inline __attribute__((always_inline)) bool ResidualBlockOn(H264BitCache& bc, const CavlcTables& tab, int nC,
                                                           int maxNum, int* coeffs, int* total)
{
    bc.Fill();
    std::uint16_t e;
    if (nC < 0) {
        e = tab.chromaDcCoeffToken[bc.Peek(8)];
    } else if (nC >= 8) {
        e = tab.coeffTokenFlc[bc.Peek(6)];
    } else {
        const std::uint64_t w = bc.Bits();
        const int zeros = w ? __builtin_clzll(w) : 64;
        if (zeros > 15)
            return false;
        const int rest = static_cast<int>((w << zeros) >> 60) & 7;
        // The table for nC 0-1, 2-3 or 4-7, picked without a branch.
        static constexpr std::uint8_t kNcTable[8] = {0, 0, 1, 1, 2, 2, 2, 2};
        e = tab.coeffToken[kNcTable[nC]][(zeros << 3) | rest];
    }
    bool ok = false;
    int tc = 0;
    do {
        if ((e & 0xFF) == 0)
            break;
        bc.Skip(e & 0xFF);
        tc = (e >> 8) >> 2;
        const int t1 = (e >> 8) & 3;
        if (tc == 0) {
            ok = true;
            break;
        }
        if (tc > maxNum)
            break;
        int level[16];
        int suffixLength = tc > 10 && t1 < 3 ? 1 : 0;
        // The trailing ones' signs, one bit each, in one read.
        if (t1) {
            const std::uint32_t signs = bc.Peek(t1);
            bc.Skip(t1);
            if constexpr (kStore)
                for (int i = 0; i < t1; ++i)
                    level[i] = 1 - 2 * static_cast<int>((signs >> (t1 - 1 - i)) & 1);
        }
        int bump = t1 < 3 ? 2 : 0;
        bool bad = false;
        for (int i = t1; i < tc; ++i) {
            bc.Fill();
            const std::uint64_t w = bc.Bits();
            const int prefix = w ? __builtin_clzll(w) : 64;
            if (prefix > 15) {
                bad = true;
                break;
            }
            // The suffix follows the prefix's one; the extra shift by one keeps
            // a suffixLength of 0 from shifting by 64.
            const std::uint64_t after = w << prefix << 1;
            int code;
            if (prefix < 14) [[likely]] {
                code = (prefix << suffixLength) + static_cast<int>((after >> 1) >> (63 - suffixLength));
                bc.Skip(prefix + 1 + suffixLength);
            } else if (prefix == 14) {
                const int size = suffixLength ? suffixLength : 4;
                code = (14 << suffixLength) + static_cast<int>(after >> (64 - size));
                bc.Skip(15 + size);
            } else {
                code = (15 << suffixLength) + static_cast<int>(after >> 52) + (suffixLength ? 0 : 15);
                bc.Skip(28);
            }
            code += bump;
            bump = 0;
            // Even codes are positive, odd ones negative, both of magnitude code / 2 + 1.
            const int mag = (code >> 1) + 1;
            if constexpr (kStore) {
                const int neg = code & 1;
                level[i] = (mag ^ -neg) + neg;
            }
            if (suffixLength == 0)
                suffixLength = 1;
            if (mag > (3 << (suffixLength - 1)) && suffixLength < 6)
                ++suffixLength;
        }
        if (bad)
            break;
        int zeros = 0;
        if (tc < maxNum) {
            bc.Fill();
            const int k = nC < 0;
            const std::uint16_t z =
                tab.totalZeros[tab.totalZerosAt[k][tc] + bc.Peek(tab.totalZerosBits[k][tc])];
            if ((z & 0xFF) == 0)
                break;
            bc.Skip(z & 0xFF);
            zeros = z >> 8;
            if (zeros > maxNum - tc)
                break;
        }
        // Placed from the highest coefficient down: all zeros lie below it.
        int pos = zeros + tc - 1;
        int left = zeros;
        int i = 0;
        // run_before is coded only while zeros are left and not for the last level.
        for (; left > 0 && i < tc - 1; ++i) {
            if constexpr (kStore)
                coeffs[pos] = level[i];
            bc.Fill();
            const std::uint32_t w = bc.Peek(11);
            const int zl = left < 7 ? left : 7;
            const std::uint16_t r = tab.runBefore[tab.runBeforeAt[zl] + (w >> tab.runBeforeShift[zl])];
            const int run = r >> 8;
            if ((r & 0xFF) == 0 || run > left) {
                bad = true;
                break;
            }
            bc.Skip(r & 0xFF);
            left -= run;
            pos -= 1 + run;
        }
        if (bad)
            break;
        if constexpr (kStore)
            for (; i < tc; ++i)
                coeffs[pos--] = level[i];
        ok = true;
    } while (false);
    *total = tc;
    return ok;
}
template <bool kStore>
inline __attribute__((always_inline)) bool SliceParser::ResidualBlock(H264BitCache& bc, int nC, int maxNum,
                                                                      int* coeffs, int* total)
{
    return ResidualBlockOn<kStore>(bc, m_tab, nC, maxNum, coeffs, total);
}

// The macroblock's blocks are read through one bit cache, whose position the
// reader takes up at the end, also after a refusal.
bool SliceParser::Residual(std::uint32_t type, int cbp, bool dct8)
{
    H264BitReader& br = m_s.slice.dataPartitioned ? (m_intraCur ? m_s.readerIntra : m_s.readerInter) : *m_br;
    H264BitCache bc(br);
    const bool ok = ResidualBlocks(bc, type, cbp, dct8);
    bc.Store(br);
    return ok && !br.Failed();
}

bool SliceParser::ResidualBlocks(H264BitCache& bc, std::uint32_t type, int cbp, bool dct8)
{
    WatermarkContext* wm = m_compare ? m_s.wm : nullptr;
    const std::uint8_t* scan = m_field ? kFieldScan4x4 : kZigzag4x4;
    const int cbpLuma = cbp & 15;
    const int cbpChroma = cbp >> 4;
    int coeffs[16];
    int record[16];
    int total = 0;
    // Only the keyed block's levels are read by the check: every other block
    // is walked without placing its coefficients.
    const int keyedBlk = wm ? wm->m_nBlockIndex : -1;
    auto lumaBlock = [&](int blk, int maxNum, int startIdx) __attribute__((always_inline)) -> bool {
        if (blk != keyedBlk) {
            if (!ResidualBlock<false>(bc, LumaNc(blk), maxNum, nullptr, &total))
                return false;
            m_nz[blk] = static_cast<std::uint8_t>(total);
            return true;
        }
        std::memset(coeffs, 0, sizeof coeffs);
        if (!ResidualBlock<true>(bc, LumaNc(blk), maxNum, coeffs, &total))
            return false;
        m_nz[blk] = static_cast<std::uint8_t>(total);
        // The keyed level sits at its own 4x4 raster position, also for an
        // interleaved part of an 8x8 block.
        std::memset(record, 0, sizeof record);
        for (int k = 0; k < maxNum; ++k)
            record[scan[k + startIdx]] = coeffs[k];
        wm->m_bKeyedBlock = 1;
        CompareWatermarkBlock(*wm, record);
        wm->m_bKeyedBlock = 0;
        return true;
    };
    if (wm)
        wm->m_bKeyedBlock = 0;
    // Blocks left uncoded keep the count 0 this sets.
    PrepareLumaNc();
    if (type & 0x2) {
        if (!ResidualBlock<false>(bc, LumaNc(0), 16, nullptr, &total))
            return false;
        if (cbpLuma == 15) {
            for (int blk = 0; blk < 16; ++blk)
                if (!lumaBlock(blk, 15, 1))
                    return false;
        }
    } else {
        for (int q = 0; q < 4; ++q) {
            if (cbpLuma & (1 << q)) {
                for (int i = 0; i < 4; ++i)
                    if (!lumaBlock(4 * q + i, 16, 0))
                        return false;
            }
        }
        (void)dct8;
    }
    std::memcpy(m_cur.nzLuma, m_nz, sizeof m_cur.nzLuma);
    if (wm) {
        wm->m_bKeyedBlock = 0;
        EndWatermarkMacroblock(*wm);
    }
    if (cbpChroma) {
        for (int c = 0; c < 2; ++c) {
            if (!ResidualBlock<false>(bc, -1, 4, nullptr, &total))
                return false;
        }
    }
    if (cbpChroma == 2) {
        PrepareChromaNc();
        for (int c = 0; c < 2; ++c)
            for (int b = 0; b < 4; ++b) {
                if (!ResidualBlock<false>(bc, ChromaNc(c, b), 15, nullptr, &total))
                    return false;
                m_cur.nzChroma[c][b] = static_cast<std::uint8_t>(total);
            }
    } else {
        std::memset(m_cur.nzChroma, 0, sizeof m_cur.nzChroma);
    }
    return true;
}

// ---- motion (P slices) ---------------------------------------------------

SliceParser::Motion SliceParser::NeighbourMotion(int xN, int yN, int curFirstBlk) const
{
    Motion m;
    const Neighbour n = Locate(xN, yN, 16, 16);
    if (n.addr == -1)
        return m;
    if (n.addr == -2 && BlkIdx(n.x, n.y) >= curFirstBlk)
        return m; // later in decoding order
    const MbRecord& r = n.addr == -2 ? m_cur : m_s.mbs[static_cast<std::size_t>(n.addr)];
    m.avail = true;
    const int ref = r.ref[2 * (n.y / 8) + n.x / 8];
    if (ref < 0)
        return m;
    m.ref = ref;
    const int b = 4 * (n.y / 4) + n.x / 4;
    m.mv[0] = r.mv[b][0];
    m.mv[1] = r.mv[b][1];
    if (n.addr != -2 && m_mbaff) {
        if (m_field && !r.field) {
            m.mv[1] /= 2;
            m.ref *= 2;
        } else if (!m_field && r.field) {
            m.mv[1] *= 2;
            m.ref /= 2;
        }
    }
    return m;
}

void SliceParser::PredictMv(int x, int y, int w, int h, int ref, int* mv) const
{
    const int first = BlkIdx(x, y);
    Motion A = NeighbourMotion(x - 1, y, first);
    Motion B = NeighbourMotion(x, y - 1, first);
    Motion C = NeighbourMotion(x + w, y - 1, first);
    if (!C.avail)
        C = NeighbourMotion(x - 1, y - 1, first);
    if (w == 16 && h == 8) {
        if (y == 0 && B.ref == ref) {
            mv[0] = B.mv[0];
            mv[1] = B.mv[1];
            return;
        }
        if (y == 8 && A.ref == ref) {
            mv[0] = A.mv[0];
            mv[1] = A.mv[1];
            return;
        }
    } else if (w == 8 && h == 16) {
        if (x == 0 && A.ref == ref) {
            mv[0] = A.mv[0];
            mv[1] = A.mv[1];
            return;
        }
        if (x == 8 && C.ref == ref) {
            mv[0] = C.mv[0];
            mv[1] = C.mv[1];
            return;
        }
    }
    if (!B.avail && !C.avail && A.avail) {
        B = A;
        C = A;
    }
    const int matches = (A.ref == ref) + (B.ref == ref) + (C.ref == ref);
    if (matches == 1) {
        const Motion& m = A.ref == ref ? A : B.ref == ref ? B : C;
        mv[0] = m.mv[0];
        mv[1] = m.mv[1];
        return;
    }
    for (int c = 0; c < 2; ++c) {
        const int a = A.mv[c], b = B.mv[c], d = C.mv[c];
        mv[c] = std::max(std::min(a, b), std::min(std::max(a, b), d));
    }
}

void SliceParser::SkipMv(int* mv) const
{
    const Motion A = NeighbourMotion(-1, 0, 0);
    const Motion B = NeighbourMotion(0, -1, 0);
    mv[0] = mv[1] = 0;
    if (!A.avail || !B.avail)
        return;
    if ((A.ref == 0 && A.mv[0] == 0 && A.mv[1] == 0) || (B.ref == 0 && B.mv[0] == 0 && B.mv[1] == 0))
        return;
    PredictMv(0, 0, 16, 16, 0, mv);
}

// The partition at (x, y), w x h samples, lies inside the macroblock: each
// of its 4x4 blocks (a 4 x 4 grid) takes the vector, each 8x8 quarter it
// lies in (a 2 x 2 grid) the reference index. The loops stop at the grids'
// edges so that no index can leave them.
void SliceParser::FillMotion(int x, int y, int w, int h, int ref, const int* mv)
{
    const int col0 = x / 4, colEnd = (x + w) / 4, row0 = y / 4, rowEnd = (y + h) / 4;
    for (int row = row0; row < rowEnd && row < 4; ++row)
        for (int col = col0; col < colEnd && col < 4; ++col) {
            m_cur.mv[4 * row + col][0] = static_cast<std::int16_t>(mv[0]);
            m_cur.mv[4 * row + col][1] = static_cast<std::int16_t>(mv[1]);
        }
    const int q0 = x / 8, qEnd = (x + w + 7) / 8, r0 = y / 8, rEnd = (y + h + 7) / 8;
    for (int r = r0; r < rEnd && r < 2; ++r)
        for (int q = q0; q < qEnd && q < 2; ++q)
            m_cur.ref[2 * r + q] = static_cast<std::int8_t>(ref);
}

bool SliceParser::InferFieldFlag() const
{
    const int pair = m_addr / 2;
    const int W = m_picWidth;
    if (m_mbX > 0 && Available(2 * (pair - 1)))
        return m_s.mbs[static_cast<std::size_t>(2 * (pair - 1))].field;
    if (Available(2 * (pair - W)))
        return m_s.mbs[static_cast<std::size_t>(2 * (pair - W))].field;
    return false;
}

void SliceParser::StoreAndReport(std::uint32_t type, int cbp)
{
    m_cur.type = type;
    m_cur.slice = m_slice;
    m_cur.field = static_cast<std::uint8_t>(m_field);
    m_s.mbs[static_cast<std::size_t>(m_addr)] = m_cur;
    if (!m_s.observer)
        return;
    MacroblockInfo info;
    info.mbX = m_mbX;
    info.mbY = m_mbaff ? m_mbY : (m_s.slice.fieldPic ? 2 * m_mbY + m_s.slice.bottomField : m_mbY);
    info.type = type;
    info.qp = m_cur.qp;
    info.field = m_field;
    info.cbp = cbp;
    info.hasMotion = (m_s.slice.type == 0) && !(type & 0x7);
    std::memcpy(info.mv, m_cur.mv, sizeof info.mv);
    std::memcpy(info.ref, m_cur.ref, sizeof info.ref);
    m_s.observer->OnMacroblock(info);
}

void SliceParser::Skipped()
{
    m_cur = kNoRecord;
    m_cur.qp = static_cast<std::int8_t>(m_qp);
    std::uint32_t type;
    if (m_s.slice.type == 1) {
        type = 0x5908;
    } else {
        type = 0x3808;
        int mv[2];
        m_cur.slice = m_slice;
        SkipMv(mv);
        FillMotion(0, 0, 16, 16, 0, mv);
    }
    if (m_field)
        type |= 0x80;
    StoreAndReport(type, 0);
}

// mvd_l0/l1 lie within -8192..8191.75 samples; beyond it a stream is broken,
// and a vector sum could overflow.
inline bool MvdInRange(int dx, int dy)
{
    return dx >= -32768 && dx <= 32767 && dy >= -32768 && dy <= 32767;
}

bool SliceParser::InterPred(std::uint32_t& type, const std::uint32_t* sub, bool& no8x8Less)
{
    H264BitReader& br = *m_br;
    const bool isP = m_s.slice.type == 0;
    const int mult = (m_mbaff && m_field) ? 2 : 1;
    const int range[2] = {m_s.slice.numRefIdxActive[0] * mult, m_s.slice.numRefIdxActive[1] * mult};
    int ref[2][4] = {{-1, -1, -1, -1}, {-1, -1, -1, -1}};
    if (type & 0x40) {
        for (int i = 0; i < 4; ++i) {
            if (sub[i] & 0x100) {
                if (!m_s.activeSps.direct8x8Inference)
                    no8x8Less = false;
            } else if (!(sub[i] & 0x8)) {
                no8x8Less = false;
            }
        }
        for (int list = 0; list < 2; ++list)
            for (int i = 0; i < 4; ++i) {
                if ((sub[i] & 0x100) || !(sub[i] & (list ? 0x4000u : 0x1000u)))
                    continue;
                if (type & 0x200) {
                    ref[list][i] = 0;
                    continue;
                }
                const std::uint32_t r = br.Te(range[list]);
                if (static_cast<int>(r) >= range[list] || br.Failed())
                    return false;
                ref[list][i] = static_cast<int>(r);
            }
        for (int list = 0; list < 2; ++list)
            for (int i = 0; i < 4; ++i) {
                if ((sub[i] & 0x100) || !(sub[i] & (list ? 0x4000u : 0x1000u)))
                    continue;
                const int n = NumParts(sub[i]);
                for (int j = 0; j < n; ++j) {
                    int x = BlkX(4 * i), y = BlkY(4 * i), w = 8, h = 8;
                    if (sub[i] & 0x10) {
                        h = 4;
                        y += 4 * j;
                    } else if (sub[i] & 0x20) {
                        w = 4;
                        x += 4 * j;
                    } else if (sub[i] & 0x40) {
                        w = h = 4;
                        x += 4 * (j & 1);
                        y += 4 * (j >> 1);
                    }
                    const int dx = br.Se(), dy = br.Se();
                    if (!MvdInRange(dx, dy))
                        return false;
                    if (isP) {
                        int mv[2];
                        PredictMv(x, y, w, h, ref[0][i], mv);
                        mv[0] += dx;
                        mv[1] += dy;
                        FillMotion(x, y, w, h, ref[0][i], mv);
                    }
                }
            }
        return !br.Failed();
    }
    if (type & 0x100)
        return true; // B_Direct_16x16
    const int n = NumParts(type);
    for (int list = 0; list < 2; ++list)
        for (int p = 0; p < n; ++p) {
            if (!(type & ((list ? 0x4000u : 0x1000u) << p)))
                continue;
            const std::uint32_t r = br.Te(range[list]);
            if (static_cast<int>(r) >= range[list] || br.Failed())
                return false;
            ref[list][p] = static_cast<int>(r);
        }
    for (int list = 0; list < 2; ++list)
        for (int p = 0; p < n; ++p) {
            if (!(type & ((list ? 0x4000u : 0x1000u) << p)))
                continue;
            int x = 0, y = 0, w = 16, h = 16;
            if (type & 0x10) {
                h = 8;
                y = 8 * p;
            } else if (type & 0x20) {
                w = 8;
                x = 8 * p;
            }
            const int dx = br.Se(), dy = br.Se();
            if (!MvdInRange(dx, dy))
                return false;
            if (isP) {
                int mv[2];
                PredictMv(x, y, w, h, ref[0][p], mv);
                mv[0] += dx;
                mv[1] += dy;
                FillMotion(x, y, w, h, ref[0][p], mv);
            }
        }
    return !br.Failed();
}

bool SliceParser::ParseMacroblock()
{
    H264BitReader& br = *m_br;
    m_cur = kNoRecord;
    m_cur.slice = m_slice; // lets the macroblock's own blocks be found as neighbours
    const int sliceType = m_s.slice.type;
    std::uint32_t mbType = br.Ue();
    if (br.Failed())
        return false;
    std::uint32_t type = 0;
    int intra = -1;
    if (sliceType == 1) {
        if (mbType < 23)
            type = kBTypes[mbType];
        else
            intra = static_cast<int>(mbType - 23);
    } else if (sliceType == 0) {
        if (mbType < 5)
            type = kPTypes[mbType];
        else
            intra = static_cast<int>(mbType - 5);
    } else {
        intra = static_cast<int>(mbType);
    }
    if (mbType > 100 || intra > 25)
        return false;
    int cbp = 0;
    m_intraCur = intra >= 0;
    if (intra == 25) {
        // I_PCM: 256 luma and 2 x 64 chroma samples of 8 bits from the next byte boundary.
        br.AlignByte();
        br.Skip(384 * 8);
        if (br.Failed())
            return false;
        std::memset(m_cur.nzLuma, 16, sizeof m_cur.nzLuma);
        std::memset(m_cur.nzChroma, 16, sizeof m_cur.nzChroma);
        m_cur.qp = 0;
        StoreAndReport(0x4 | (m_field ? 0x80u : 0u), 0x2F);
        return true;
    }
    bool dct8 = false;
    if (intra >= 0) {
        if (intra == 0) {
            type = 0x1;
            if (m_s.activePps.transform8x8 && br.U1()) {
                dct8 = true;
                type |= 0x1000000;
            }
            // prev_intra_pred_mode_flag, and rem_intra_pred_mode when it is 0.
            const int n = dct8 ? 4 : 16;
            H264BitCache bc(br);
            for (int i = 0; i < n; ++i) {
                bc.Fill();
                bc.Skip(bc.Peek(1) ? 1 : 4);
            }
            bc.Store(br);
        } else {
            type = 0x2;
            cbp = (((intra - 1) / 4) % 3) << 4 | (intra >= 13 ? 15 : 0);
        }
        br.Ue(); // intra_chroma_pred_mode
    } else {
        std::uint32_t sub[4] = {0, 0, 0, 0};
        if (type & 0x40) {
            for (int i = 0; i < 4; ++i) {
                const std::uint32_t v = br.Ue();
                if (sliceType == 1 ? v > 12 : v > 3)
                    return false;
                sub[i] = sliceType == 1 ? kBSubTypes[v] : kPSubTypes[v];
            }
        }
        bool no8x8Less = true;
        if (!InterPred(type, sub, no8x8Less))
            return false;
        if ((type & 0x100) && !(type & 0x40) && !m_s.activeSps.direct8x8Inference)
            no8x8Less = false;
        const std::uint32_t code = br.Ue();
        if (code > 47)
            return false;
        cbp = kCbpInter[code];
        if ((cbp & 15) && m_s.activePps.transform8x8 && no8x8Less && br.U1()) {
            dct8 = true;
            type |= 0x1000000;
        }
    }
    if (intra == 0) {
        const std::uint32_t code = br.Ue();
        if (code > 47)
            return false;
        cbp = kCbpIntra[code];
    }
    if (m_field)
        type |= 0x80;
    if (intra >= 0)
        std::memset(m_cur.ref, -1, sizeof m_cur.ref);
    if (cbp || (type & 0x2)) {
        const int dq = br.Se();
        if (dq < -26 || dq > 25)
            return false;
        m_qp = (m_qp + dq + 52) % 52;
        m_cur.qp = static_cast<std::int8_t>(m_qp);
        if (!Residual(type, cbp, dct8))
            return false;
    } else {
        m_cur.qp = static_cast<std::int8_t>(m_qp);
        if (m_compare && m_s.wm)
            EndWatermarkMacroblock(*m_s.wm);
    }
    if (br.Failed())
        return false;
    StoreAndReport(type, cbp);
    return true;
}

SliceEnd SliceParser::Run(int* mbCount)
{
    const SliceState& sl = m_s.slice;
    m_br = &m_s.reader;
    H264BitReader& br = *m_br;
    m_slice = m_s.sliceCount;
    m_mbaff = sl.mbaff != 0;
    m_picWidth = m_s.mbWidth;
    m_picSize = m_s.mbWidth * (sl.fieldPic ? m_s.mbHeight / 2 : m_s.mbHeight);
    m_qp = sl.qp;
    m_compare = m_s.wm && m_s.wm->m_bEnable && !sl.dataPartitioned;
    m_field = sl.fieldPic;
    int addr = sl.firstMb * (m_mbaff ? 2 : 1);
    int count = 0;
    bool more = true;
    bool prevSkipped = false;
    const bool interSlice = sl.type == 0 || sl.type == 1;
    *mbCount = 0;
    do {
        if (interSlice) {
            const std::uint32_t run = br.Ue();
            if (br.Failed() || run > static_cast<std::uint32_t>(m_picSize - addr))
                return br.Overread() ? SliceEnd::Overread : SliceEnd::Error;
            prevSkipped = run > 0;
            for (std::uint32_t i = 0; i < run; ++i) {
                SetPosition(addr);
                if (m_mbaff) {
                    if ((addr & 1) == 0) {
                        // A skipped top macroblock takes the pair's flag: read
                        // ahead when the bottom one is coded, else inferred.
                        if (i + 1 == run && br.MoreData())
                            m_field = static_cast<int>(br.Peek(1));
                        else
                            m_field = InferFieldFlag();
                    }
                }
                if (m_compare)
                    NextWatermarkBit(*m_s.wm);
                Skipped();
                ++addr;
                ++count;
            }
            if (run > 0)
                more = br.MoreData();
        }
        if (more) {
            if (addr >= m_picSize)
                return SliceEnd::Error;
            SetPosition(addr);
            if (m_mbaff && ((addr & 1) == 0 || prevSkipped))
                m_field = static_cast<int>(br.U1());
            if (m_compare)
                NextWatermarkBit(*m_s.wm);
            if (!ParseMacroblock()) {
                *mbCount = count;
                return br.Overread() ? SliceEnd::Overread : SliceEnd::Error;
            }
            ++addr;
            ++count;
        }
        more = br.MoreData();
        if (more && addr >= m_picSize) {
            *mbCount = count;
            return SliceEnd::Error; // data left over at the end of the picture
        }
    } while (more);
    *mbCount = count;
    if (br.Overread())
        return SliceEnd::Overread;
    if (br.Failed() || br.Pos() != br.BitLength())
        return SliceEnd::Error;
    if (m_mbaff && (count & 1))
        return SliceEnd::Error; // a pair cut in half
    return SliceEnd::Clean;
}

} // namespace

bool ParseResidualBlock(H264BitReader& br, int nC, int maxNum, int* coeffs, int* total)
{
    const CavlcTables& tab = GetCavlcTables();
    H264BitCache bc(br);
    const bool ok = coeffs ? ResidualBlockOn<true>(bc, tab, nC, maxNum, coeffs, total)
                           : ResidualBlockOn<false>(bc, tab, nC, maxNum, nullptr, total);
    bc.Store(br);
    return ok;
}

SliceEnd ParseSliceData(DecoderState& s, int* mbCount)
{
    SliceParser p(s);
    return p.Run(mbCount);
}

} // namespace h264
