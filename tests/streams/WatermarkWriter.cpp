#include "WatermarkWriter.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace k5streams {

namespace {

// Table 9-5: coeff_token by nC range, TotalCoeff and TrailingOnes.
const char* const kTok[4][17][4] = {
    {
        {"1", "", "", ""},
        {"000101", "01", "", ""},
        {"00000111", "000100", "001", ""},
        {"000000111", "00000110", "0000101", "00011"},
        {"0000000111", "000000110", "00000101", "000011"},
        {"00000000111", "0000000110", "000000101", "0000100"},
        {"0000000001111", "00000000110", "0000000101", "00000100"},
        {"0000000001011", "0000000001110", "00000000101", "000000100"},
        {"0000000001000", "0000000001010", "0000000001101", "0000000100"},
        {"00000000001111", "00000000001110", "0000000001001", "00000000100"},
        {"00000000001011", "00000000001010", "00000000001101", "0000000001100"},
        {"000000000001111", "000000000001110", "00000000001001", "00000000001100"},
        {"000000000001011", "000000000001010", "000000000001101", "00000000001000"},
        {"0000000000001111", "000000000000001", "000000000001001", "000000000001100"},
        {"0000000000001011", "0000000000001110", "0000000000001101", "000000000001000"},
        {"0000000000000111", "0000000000001010", "0000000000001001", "0000000000001100"},
        {"0000000000000100", "0000000000000110", "0000000000000101", "0000000000001000"},
    },
    {
        {"11", "", "", ""},
        {"001011", "10", "", ""},
        {"000111", "00111", "011", ""},
        {"0000111", "001010", "001001", "0101"},
        {"00000111", "000110", "000101", "0100"},
        {"00000100", "0000110", "0000101", "00110"},
        {"000000111", "00000110", "00000101", "001000"},
        {"00000001111", "000000110", "000000101", "000100"},
        {"00000001011", "00000001110", "00000001101", "0000100"},
        {"000000001111", "00000001010", "00000001001", "000000100"},
        {"000000001011", "000000001110", "000000001101", "00000001100"},
        {"000000001000", "000000001010", "000000001001", "00000001000"},
        {"0000000001111", "0000000001110", "0000000001101", "000000001100"},
        {"0000000001011", "0000000001010", "0000000001001", "0000000001100"},
        {"0000000000111", "00000000001011", "0000000000110", "0000000001000"},
        {"00000000001001", "00000000001000", "00000000001010", "0000000000001"},
        {"00000000000111", "00000000000110", "00000000000101", "00000000000100"},
    },
    {
        {"1111", "", "", ""},
        {"001111", "1110", "", ""},
        {"001011", "01111", "1101", ""},
        {"001000", "01100", "01110", "1100"},
        {"0001111", "01010", "01011", "1011"},
        {"0001011", "01000", "01001", "1010"},
        {"0001001", "001110", "001101", "1001"},
        {"0001000", "001010", "001001", "1000"},
        {"00001111", "0001110", "0001101", "01101"},
        {"00001011", "00001110", "0001010", "001100"},
        {"000001111", "00001010", "00001101", "0001100"},
        {"000001011", "000001110", "00001001", "00001100"},
        {"000001000", "000001010", "000001101", "00001000"},
        {"0000001101", "000000111", "000001001", "000001100"},
        {"0000001001", "0000001100", "0000001011", "0000001010"},
        {"0000000101", "0000001000", "0000000111", "0000000110"},
        {"0000000001", "0000000100", "0000000011", "0000000010"},
    },
    {
        {"000011", "", "", ""},
        {"000000", "000001", "", ""},
        {"000100", "000101", "000110", ""},
        {"001000", "001001", "001010", "001011"},
        {"001100", "001101", "001110", "001111"},
        {"010000", "010001", "010010", "010011"},
        {"010100", "010101", "010110", "010111"},
        {"011000", "011001", "011010", "011011"},
        {"011100", "011101", "011110", "011111"},
        {"100000", "100001", "100010", "100011"},
        {"100100", "100101", "100110", "100111"},
        {"101000", "101001", "101010", "101011"},
        {"101100", "101101", "101110", "101111"},
        {"110000", "110001", "110010", "110011"},
        {"110100", "110101", "110110", "110111"},
        {"111000", "111001", "111010", "111011"},
        {"111100", "111101", "111110", "111111"},
    },
};
const char* const kTokDc[5][4] = {{"01", "", "", ""}, {"000111", "1", "", ""}, {"000100", "000110", "001", ""}, {"000011", "0000011", "0000010", "000101"}, {"000010", "00000011", "00000010", "0000000"}};
const char* const kTz[15][16] = {
    {"1", "011", "010", "0011", "0010", "00011", "00010", "000011", "000010", "0000011", "0000010", "00000011", "00000010", "000000011", "000000010", "000000001"},
    {"111", "110", "101", "100", "011", "0101", "0100", "0011", "0010", "00011", "00010", "000011", "000010", "000001", "000000"},
    {"0101", "111", "110", "101", "0100", "0011", "100", "011", "0010", "00011", "00010", "000001", "00001", "000000"},
    {"00011", "111", "0101", "0100", "110", "101", "100", "0011", "011", "0010", "00010", "00001", "00000"},
    {"0101", "0100", "0011", "111", "110", "101", "100", "011", "0010", "00001", "0001", "00000"},
    {"000001", "00001", "111", "110", "101", "100", "011", "010", "0001", "001", "000000"},
    {"000001", "00001", "101", "100", "011", "11", "010", "0001", "001", "000000"},
    {"000001", "0001", "00001", "011", "11", "10", "010", "001", "000000"},
    {"000001", "000000", "0001", "11", "10", "001", "01", "00001"},
    {"00001", "00000", "001", "11", "10", "01", "0001"},
    {"0000", "0001", "001", "010", "1", "011"},
    {"0000", "0001", "01", "1", "001"},
    {"000", "001", "1", "01"},
    {"00", "01", "1"},
    {"0", "1"},
};
const char* const kTzDc[3][16] = {
    {"1", "01", "001", "000"},
    {"1", "01", "00", ""},
    {"1", "0", "", ""},
};
const char* const kRunB[7][16] = {
    {"1", "0"},
    {"1", "01", "00"},
    {"11", "10", "01", "00"},
    {"11", "10", "01", "001", "000"},
    {"11", "10", "011", "010", "001", "000"},
    {"11", "000", "001", "011", "010", "101", "100"},
    {"111", "110", "101", "100", "011", "010", "001", "0001", "00001", "000001", "0000001", "00000001", "000000001", "0000000001", "00000000001"},
};
// Table 9-4 read backwards: codeNum by coded_block_pattern.
const int kCodeIntra[48] = {3, 29, 30, 17, 31, 18, 37, 8, 32, 38, 19, 9, 20, 10, 11, 2, 16, 33, 34, 21, 35, 22, 39, 4, 36, 40, 23, 5, 24, 6, 7, 1, 41, 42, 43, 25, 44, 26, 46, 12, 45, 47, 27, 13, 28, 14, 15, 0};
const int kCodeInter[48] = {0, 2, 3, 7, 4, 8, 17, 13, 5, 18, 9, 14, 10, 15, 16, 11, 1, 32, 33, 36, 34, 37, 44, 40, 35, 45, 38, 41, 39, 42, 43, 19, 6, 24, 25, 20, 26, 21, 46, 28, 27, 47, 22, 29, 23, 30, 31, 12};

// 4x4 scans as (column, row) pairs: zig-zag for frame macroblocks, the field
// scan for field macroblocks.
const int kFrameScan[16][2] = {{0, 0}, {1, 0}, {0, 1}, {0, 2}, {1, 1}, {2, 0}, {3, 0}, {2, 1},
                               {1, 2}, {0, 3}, {1, 3}, {2, 2}, {3, 1}, {3, 2}, {2, 3}, {3, 3}};
const int kFieldScan[16][2] = {{0, 0}, {0, 1}, {1, 0}, {0, 2}, {0, 3}, {1, 1}, {1, 2}, {1, 3},
                               {2, 0}, {2, 1}, {2, 2}, {2, 3}, {3, 0}, {3, 1}, {3, 2}, {3, 3}};

class Bits
{
public:
    void Put(std::uint32_t v, int n)
    {
        for (int i = n - 1; i >= 0; --i)
            Bit((v >> i) & 1);
    }
    void Bit(int b)
    {
        if (m_n % 8 == 0)
            m_bytes.push_back(0);
        if (b)
            m_bytes.back() |= static_cast<std::uint8_t>(0x80 >> (m_n % 8));
        ++m_n;
    }
    void Str(const char* s)
    {
        for (; *s; ++s)
            Bit(*s == '1');
    }
    void Ue(std::uint32_t v)
    {
        const std::uint64_t x = std::uint64_t{v} + 1;
        int len = 0;
        while ((x >> len) > 1)
            ++len;
        for (int i = 0; i < len; ++i)
            Bit(0);
        for (int i = len; i >= 0; --i)
            Bit(static_cast<int>((x >> i) & 1));
    }
    void Se(int v)
    {
        const std::int64_t w = v;
        Ue(static_cast<std::uint32_t>(w > 0 ? 2 * w - 1 : -2 * w));
    }
    void Align0()
    {
        while (m_n % 8)
            Bit(0);
    }
    void Trailing()
    {
        Bit(1);
        Align0();
    }
    std::vector<std::uint8_t>& Bytes() { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
    long m_n = 0;
};

void Nal(std::vector<std::uint8_t>& out, int refIdc, int type, const std::vector<std::uint8_t>& rbsp)
{
    out.insert(out.end(), {0, 0, 0, 1});
    out.push_back(static_cast<std::uint8_t>(refIdc << 5 | type));
    int zeros = 0;
    for (std::uint8_t b : rbsp) {
        if (zeros >= 2 && b <= 3) {
            out.push_back(3);
            zeros = 0;
        }
        out.push_back(b);
        zeros = b == 0 ? zeros + 1 : 0;
    }
}

struct Rng
{
    std::uint32_t s;
    std::uint32_t Next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    int Range(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
};

int Blk(int col, int row)
{
    return 8 * (row / 2) + 4 * (col / 2) + 2 * (row % 2) + (col % 2);
}

struct MbState
{
    int slice = -1;
    int nz[16] = {};
    int nzc[2][4] = {};
};

// Levels by coefficient index, written as residual_block_cavlc().
void WriteBlock(Bits& bw, const int* c, int maxNum, int nC)
{
    int idx[16];
    int tc = 0;
    for (int i = maxNum - 1; i >= 0; --i)
        if (c[i])
            idx[tc++] = i; // highest frequency first
    int t1 = 0;
    while (t1 < tc && t1 < 3 && (c[idx[t1]] == 1 || c[idx[t1]] == -1))
        ++t1;
    if (nC < 0)
        bw.Str(kTokDc[tc][t1]);
    else
        bw.Str(kTok[nC < 2 ? 0 : nC < 4 ? 1 : nC < 8 ? 2 : 3][tc][t1]);
    if (tc == 0)
        return;
    for (int i = 0; i < t1; ++i)
        bw.Bit(c[idx[i]] < 0);
    int suffixLength = tc > 10 && t1 < 3 ? 1 : 0;
    for (int i = t1; i < tc; ++i) {
        const int level = c[idx[i]];
        int code = level > 0 ? 2 * level - 2 : -2 * level - 1;
        if (i == t1 && t1 < 3)
            code -= 2;
        if (suffixLength == 0) {
            if (code < 14) {
                bw.Put(1, code + 1);
            } else if (code < 30) {
                bw.Put(1, 15);
                bw.Put(static_cast<std::uint32_t>(code - 14), 4);
            } else {
                bw.Put(1, 16);
                bw.Put(static_cast<std::uint32_t>(code - 30), 12);
            }
        } else if (code < (15 << suffixLength)) {
            bw.Put(1, (code >> suffixLength) + 1);
            bw.Put(static_cast<std::uint32_t>(code & ((1 << suffixLength) - 1)), suffixLength);
        } else {
            bw.Put(1, 16);
            bw.Put(static_cast<std::uint32_t>(code - (15 << suffixLength)), 12);
        }
        if (suffixLength == 0)
            suffixLength = 1;
        if (std::abs(level) > (3 << (suffixLength - 1)) && suffixLength < 6)
            ++suffixLength;
    }
    int zerosLeft = idx[0] + 1 - tc;
    if (tc < maxNum)
        bw.Str(nC < 0 ? kTzDc[tc - 1][zerosLeft] : kTz[tc - 1][zerosLeft]);
    for (int i = 0; i + 1 < tc && zerosLeft > 0; ++i) {
        const int run = idx[i] - idx[i + 1] - 1;
        bw.Str(kRunB[(zerosLeft < 7 ? zerosLeft : 7) - 1][run]);
        zerosLeft -= run;
    }
}

class Writer
{
public:
    explicit Writer(const WmStream& s) : m_s(s), m_rng{s.seed ? s.seed : 1} {}
    WmResult Run();

private:
    void Sps(std::vector<std::uint8_t>& out);
    void Pps(std::vector<std::uint8_t>& out);
    void ScalingMatrices(Bits& b, const std::vector<int>& deltas, int lists);
    void Sei(std::vector<std::uint8_t>& out);
    void Slice(std::vector<std::uint8_t>& out, const WmPicture& pic, const WmSlice& sl, int sliceId);
    void Macroblock(Bits& bw, const WmSlice& sl, const WmMacroblock& mb, int addr, int expected,
                    bool field);
    // Random levels for a block; `keyedIndex` >= 0 is kept free for the keyed level.
    void RandomLevels(int* c, int maxNum, int keyedIndex);
    int LumaNc(int addr, const MbState& cur, int blk) const;
    int ChromaNc(int addr, const MbState& cur, int comp, int blk) const;
    // A macroblock outside the picture (a deliberately wrong first_mb_in_slice) is not kept.
    void Store(int addr, const MbState& st)
    {
        if (addr >= 0 && addr < static_cast<int>(m_mbs.size()))
            m_mbs[static_cast<std::size_t>(addr)] = st;
    }

    const WmStream& m_s;
    Rng m_rng;
    std::vector<MbState> m_mbs;
    int m_picWidth = 0;
    int m_curSlice = 0;
    int m_mismatches = 0;
    int m_matches = 0;
    bool m_cannot = false;
    bool m_bad = false; // the slice being written holds a syntax error
};

// The matrix-present flag and, when `deltas` is not empty, the first of
// `lists` scaling lists with these delta_scale values, the others absent.
void Writer::ScalingMatrices(Bits& b, const std::vector<int>& deltas, int lists)
{
    b.Bit(!deltas.empty());
    if (deltas.empty())
        return;
    for (int i = 0; i < lists; ++i) {
        b.Bit(i == 0);
        if (i == 0)
            for (int d : deltas)
                b.Se(d);
    }
}

void Writer::Sps(std::vector<std::uint8_t>& out)
{
    Bits b;
    b.Put(static_cast<std::uint32_t>(m_s.profile), 8);
    b.Put(0, 8);
    b.Put(30, 8);
    b.Ue(0);
    if (m_s.profile >= 100) {
        b.Ue(static_cast<std::uint32_t>(m_s.chromaFormat));
        if (m_s.chromaFormat == 3)
            b.Bit(0);
        b.Ue(static_cast<std::uint32_t>(m_s.bitDepth - 8));
        b.Ue(static_cast<std::uint32_t>(m_s.bitDepth - 8));
        b.Bit(0);
        ScalingMatrices(b, m_s.spsScaling, m_s.chromaFormat == 3 ? 12 : 8);
    }
    b.Ue(0); // frame_num: 4 bits
    b.Ue(static_cast<std::uint32_t>(m_s.pocType));
    if (m_s.pocType == 0) {
        b.Ue(0); // 4-bit lsb
    } else if (m_s.pocType == 1) {
        b.Bit(0);
        b.Se(0);
        b.Se(1);
        b.Ue(1);
        b.Se(2);
    }
    b.Ue(static_cast<std::uint32_t>(m_s.numRefFrames));
    b.Bit(0);
    b.Ue(static_cast<std::uint32_t>((m_s.spsWidthMbs ? m_s.spsWidthMbs : m_s.mbWidth) - 1));
    b.Ue(static_cast<std::uint32_t>(
        (m_s.spsHeightMapUnits ? m_s.spsHeightMapUnits : m_s.frameMbsOnly ? m_s.mbHeight : m_s.mbHeight / 2) - 1));
    b.Bit(m_s.frameMbsOnly);
    if (!m_s.frameMbsOnly)
        b.Bit(0); // no MBAFF
    b.Bit(1);
    b.Bit(m_s.cropBottom != 0);
    if (m_s.cropBottom) {
        b.Ue(0);
        b.Ue(0);
        b.Ue(0);
        b.Ue(m_s.cropBottom);
    }
    b.Bit(0);
    b.Trailing();
    Nal(out, 3, 7, b.Bytes());
}

void Writer::Pps(std::vector<std::uint8_t>& out)
{
    Bits b;
    b.Ue(0);
    b.Ue(0);
    b.Bit(m_s.cabac);
    b.Bit(0);
    if (m_s.fmo) {
        b.Ue(1);
        b.Ue(0); // interleaved runs
        b.Ue(1);
        b.Ue(1);
    } else {
        b.Ue(0);
    }
    b.Ue(0);
    b.Ue(0);
    b.Bit(0);
    b.Put(0, 2);
    b.Se(0);
    b.Se(0);
    b.Se(0);
    b.Bit(1); // deblocking control present
    b.Bit(0);
    b.Bit(m_s.redundantPresent);
    if (m_s.transform8x8) {
        b.Bit(1);
        ScalingMatrices(b, m_s.ppsScaling, m_s.chromaFormat == 3 ? 12 : 8);
        b.Se(0);
    }
    b.Trailing();
    Nal(out, 3, 8, b.Bytes());
}

void Writer::Sei(std::vector<std::uint8_t>& out)
{
    Bits b;
    const std::string text = "x264 - core 164 - H.264/MPEG-4 AVC codec";
    b.Put(5, 8);
    b.Put(static_cast<std::uint32_t>(16 + text.size()), 8);
    for (int i = 0; i < 16; ++i)
        b.Put(static_cast<std::uint32_t>(0xA0 + i), 8);
    for (char ch : text)
        b.Put(static_cast<std::uint8_t>(ch), 8);
    b.Trailing();
    Nal(out, 0, 6, b.Bytes());
}

int Writer::LumaNc(int addr, const MbState& cur, int blk) const
{
    const int col = (blk & 1) + ((blk >> 1) & 2);
    const int row = ((blk >> 1) & 1) + ((blk >> 2) & 2);
    int n = 0, sum = 0;
    auto from = [&](int a) -> const MbState* {
        return a >= 0 && a < static_cast<int>(m_mbs.size()) && m_mbs[static_cast<std::size_t>(a)].slice == m_curSlice
                   ? &m_mbs[static_cast<std::size_t>(a)]
                   : nullptr;
    };
    if (col > 0) {
        sum += cur.nz[Blk(col - 1, row)];
        ++n;
    } else if (addr % m_picWidth > 0) {
        if (const MbState* l = from(addr - 1)) {
            sum += l->nz[Blk(3, row)];
            ++n;
        }
    }
    if (row > 0) {
        sum += cur.nz[Blk(col, row - 1)];
        ++n;
    } else if (const MbState* u = from(addr - m_picWidth)) {
        sum += u->nz[Blk(col, 3)];
        ++n;
    }
    return n == 2 ? (sum + 1) >> 1 : sum;
}

int Writer::ChromaNc(int addr, const MbState& cur, int comp, int blk) const
{
    const int col = blk & 1, row = blk >> 1;
    int n = 0, sum = 0;
    auto from = [&](int a) -> const MbState* {
        return a >= 0 && a < static_cast<int>(m_mbs.size()) && m_mbs[static_cast<std::size_t>(a)].slice == m_curSlice
                   ? &m_mbs[static_cast<std::size_t>(a)]
                   : nullptr;
    };
    if (col > 0) {
        sum += cur.nzc[comp][2 * row];
        ++n;
    } else if (addr % m_picWidth > 0) {
        if (const MbState* l = from(addr - 1)) {
            sum += l->nzc[comp][2 * row + 1];
            ++n;
        }
    }
    if (row > 0) {
        sum += cur.nzc[comp][col];
        ++n;
    } else if (const MbState* u = from(addr - m_picWidth)) {
        sum += u->nzc[comp][2 + col];
        ++n;
    }
    return n == 2 ? (sum + 1) >> 1 : sum;
}

void Writer::RandomLevels(int* c, int maxNum, int keyedIndex)
{
    std::memset(c, 0, sizeof(int) * 16);
    if (m_rng.Range(2) == 0)
        return;
    const int count = 1 + m_rng.Range(maxNum > 4 ? 5 : 3);
    for (int i = 0; i < count; ++i) {
        const int pos = m_rng.Range(maxNum);
        if (pos == keyedIndex)
            continue;
        int mag = 1 + m_rng.Range(3);
        const int r = m_rng.Range(24);
        if (r == 0)
            mag = 20 + m_rng.Range(60); // the 4-bit suffix escape and beyond
        else if (r == 1)
            mag = 200 + m_rng.Range(1500); // the 12-bit escape
        c[pos] = m_rng.Range(2) ? mag : -mag;
    }
}

void Writer::Macroblock(Bits& bw, const WmSlice& sl, const WmMacroblock& mb, int addr, int expected,
                        bool field)
{
    MbState cur;
    cur.slice = m_curSlice;
    const int blockIndex = static_cast<int>((m_s.key >> 23) & 15);
    const int select = static_cast<int>((m_s.key >> 21) & 3);
    const int keyCol = 3 - select, keyRow = select;
    const auto& scan = field ? kFieldScan : kFrameScan;
    int keyedScan = 0;
    for (int i = 0; i < 16; ++i)
        if (scan[i][0] == keyCol && scan[i][1] == keyRow)
            keyedScan = i;
    const int keyedLevel = mb.keyed == kDue ? (expected ? 1 : 2) : mb.keyed;
    const bool isP = sl.type == 0;

    if (mb.kind == WmKind::PSkip)
        return; // written by the skip run
    if (mb.kind == WmKind::BadMbType) {
        bw.Ue(26);
        m_bad = true;
        return;
    }
    if (mb.kind == WmKind::BadCbp) {
        bw.Ue(isP ? 5 : 0);
        if (m_s.transform8x8)
            bw.Bit(0);
        for (int i = 0; i < 16; ++i)
            bw.Bit(1);
        bw.Ue(0);
        bw.Ue(48);
        m_bad = true;
        return;
    }
    if (mb.kind == WmKind::BadTotalCoeff) {
        bw.Ue(static_cast<std::uint32_t>((isP ? 5 : 0) + 1 + 2 + 12));
        bw.Ue(0);
        bw.Se(0);
        int dc[16] = {};
        WriteBlock(bw, dc, 16, LumaNc(addr, cur, 0));
        bw.Str(kTok[0][16][0]); // 16 coefficients where at most 15 fit
        for (int i = 0; i < 64; ++i)
            bw.Bit(1);
        m_bad = true;
        return;
    }
    if (mb.kind == WmKind::Pcm) {
        bw.Ue(isP ? 30 : 25);
        bw.Align0();
        for (int i = 0; i < 384; ++i)
            bw.Put(i < 64 ? 0 : static_cast<std::uint32_t>(m_rng.Range(256)), 8);
        for (int& v : cur.nz)
            v = 16;
        for (auto& c : cur.nzc)
            for (int& v : c)
                v = 16;
        Store(addr, cur);
        return;
    }

    // Levels of every luma block (by block index, coefficient index order).
    int luma[16][16];
    const bool i16 = mb.kind == WmKind::I16 || mb.kind == WmKind::I16NoAc;
    const int maxNum = i16 ? 15 : 16;
    const int keyedIndex = i16 ? keyedScan - 1 : keyedScan;
    for (int b = 0; b < 16; ++b) {
        RandomLevels(luma[b], maxNum, b == blockIndex ? keyedIndex : -1);
        if (b == blockIndex)
            luma[b][keyedIndex] = keyedLevel;
    }
    int cbpLuma = 0;
    for (int q = 0; q < 4; ++q)
        for (int k = 0; k < 4; ++k)
            for (int i = 0; i < maxNum; ++i)
                if (luma[4 * q + k][i])
                    cbpLuma |= 1 << q;
    if (mb.noResidual)
        cbpLuma = 0;
    if (mb.kind == WmKind::I16)
        cbpLuma = 15;
    if (mb.kind == WmKind::I16NoAc)
        cbpLuma = 0;
    const int cbpChroma = mb.noResidual ? 0 : m_rng.Range(3);
    int chromaDc[2][16], chromaAc[2][4][16];
    for (int c = 0; c < 2; ++c) {
        RandomLevels(chromaDc[c], 4, -1);
        for (int b = 0; b < 4; ++b)
            RandomLevels(chromaAc[c][b], 15, -1);
    }
    if (cbpChroma == 1) {
        // DC only: make sure the pattern is honest about having some.
        chromaDc[0][0] = chromaDc[0][0] ? chromaDc[0][0] : 1;
    }

    // The check's own view of this macroblock.
    const int written = cbpLuma & (1 << (blockIndex / 4)) ? keyedLevel : 0;
    const int parity = written == 0 ? 0 : (written & 1);
    if (parity != expected)
        ++m_mismatches;
    else if (written != 0)
        ++m_matches; // evidence: a level present and of the right parity

    if (i16) {
        bw.Ue(static_cast<std::uint32_t>((isP ? 5 : 0) + 1 + 2 + 4 * cbpChroma + (cbpLuma ? 12 : 0)));
        bw.Ue(0); // intra_chroma_pred_mode DC
    } else if (mb.kind == WmKind::INxN) {
        bw.Ue(isP ? 5 : 0);
        if (m_s.transform8x8)
            bw.Bit(mb.dct8);
        for (int i = 0; i < (mb.dct8 ? 4 : 16); ++i)
            bw.Bit(1); // the predicted mode: DC throughout
        bw.Ue(0);
        bw.Ue(static_cast<std::uint32_t>(kCodeIntra[cbpChroma << 4 | cbpLuma]));
    } else { // P16x16
        bw.Ue(0);
        for (int c = 0; c < 2; ++c) {
            bw.Se(mb.mvd[c]);
            if (mb.mvd[c] < -32768 || mb.mvd[c] > 32767)
                m_bad = true;
        }
        bw.Ue(static_cast<std::uint32_t>(kCodeInter[cbpChroma << 4 | cbpLuma]));
        if (cbpLuma && m_s.transform8x8)
            bw.Bit(0);
    }
    if (cbpLuma || cbpChroma || i16) {
        bw.Se(mb.qpDelta);
        if (mb.qpDelta < -26 || mb.qpDelta > 25)
            m_bad = true;
        if (i16) {
            int dc[16];
            RandomLevels(dc, 16, -1);
            WriteBlock(bw, dc, 16, LumaNc(addr, cur, 0));
        }
        for (int q = 0; q < 4; ++q) {
            if (!(cbpLuma & (1 << q)))
                continue;
            for (int k = 0; k < 4; ++k) {
                const int b = 4 * q + k;
                int n = 0;
                for (int i = 0; i < maxNum; ++i)
                    n += luma[b][i] != 0;
                WriteBlock(bw, luma[b], maxNum, LumaNc(addr, cur, b));
                cur.nz[b] = n;
            }
        }
        if (cbpChroma) {
            for (int c = 0; c < 2; ++c)
                WriteBlock(bw, chromaDc[c], 4, -1);
        }
        if (cbpChroma == 2) {
            for (int c = 0; c < 2; ++c)
                for (int b = 0; b < 4; ++b) {
                    int n = 0;
                    for (int i = 0; i < 15; ++i)
                        n += chromaAc[c][b][i] != 0;
                    WriteBlock(bw, chromaAc[c][b], 15, ChromaNc(addr, cur, c, b));
                    cur.nzc[c][b] = n;
                }
        }
    }
    Store(addr, cur);
}

void Writer::Slice(std::vector<std::uint8_t>& out, const WmPicture& pic, const WmSlice& sl, int sliceId)
{
    Bits bw;
    const bool field = pic.structure != 0;
    const bool isP = sl.type == 0 || sl.type == 3;
    bw.Ue(static_cast<std::uint32_t>(sl.firstMb));
    bw.Ue(static_cast<std::uint32_t>(sl.type + (sl.typePlus5 ? 5 : 0)));
    bw.Ue(0);
    bw.Put(static_cast<std::uint32_t>(pic.frameNum & 15), 4);
    if (!m_s.frameMbsOnly) {
        bw.Bit(field);
        if (field)
            bw.Bit(pic.structure == 2);
    }
    if (pic.idr)
        bw.Ue(0);
    if (m_s.pocType == 0)
        bw.Put(static_cast<std::uint32_t>((2 * pic.frameNum + (pic.structure == 2)) & 15), 4);
    else if (m_s.pocType == 1)
        bw.Se(0);
    if (m_s.redundantPresent)
        bw.Ue(static_cast<std::uint32_t>(sl.redundantPicCnt));
    if (isP) {
        bw.Bit(0); // no override
        bw.Bit(0); // no reordering
    }
    if (pic.idr) {
        bw.Bit(0);
        bw.Bit(0);
    } else {
        bw.Bit(0);
    }
    if (m_s.cabac && sl.type != 2 && sl.type != 4)
        bw.Ue(0);
    bw.Se(sl.qpDelta);
    if (sl.type == 3)
        bw.Bit(0);
    if (sl.type == 3 || sl.type == 4)
        bw.Se(0);
    bw.Ue(1); // no deblocking: no offsets
    if (sl.partitioned)
        bw.Ue(0); // slice_id

    // Whether the check compares this slice, and the bits it expects.
    const bool compared = !m_s.cabac && !m_s.fmo && m_s.chromaFormat == 1 && m_s.bitDepth == 8 &&
                          sl.redundantPicCnt == 0 && !sl.partitioned && sl.type != 3 && sl.type != 4 &&
                          sl.truncateBytes == 0;
    const int before = m_mismatches;
    const int matchesBefore = m_matches;
    m_curSlice = sliceId;
    m_bad = false;
    int bit = 31;
    int addr = sl.firstMb;
    int skipRun = 0;
    for (const WmMacroblock& mb : sl.mbs) {
        const int expected = static_cast<int>((m_s.key >> bit) & 1);
        bit = bit == 0 ? 31 : bit - 1;
        if (mb.kind == WmKind::PSkip) {
            ++skipRun;
            MbState st;
            st.slice = m_curSlice;
            Store(addr, st);
        } else {
            if (isP) {
                bw.Ue(static_cast<std::uint32_t>(skipRun));
                skipRun = 0;
            }
            Macroblock(bw, sl, mb, addr, expected, field);
        }
        ++addr;
    }
    if (skipRun)
        bw.Ue(static_cast<std::uint32_t>(skipRun));
    bw.Trailing();
    const int picSize = m_s.mbWidth * (field ? m_s.mbHeight / 2 : m_s.mbHeight);
    const std::int64_t sliceQp = std::int64_t{26} + sl.qpDelta;
    const bool headerOk = sliceQp >= 0 && sliceQp <= 51 && sl.firstMb < picSize && m_s.numRefFrames <= 30;
    if (!compared || m_bad || !headerOk) {
        m_mismatches = before;
        m_matches = matchesBefore;
        if (sl.redundantPicCnt == 0)
            m_cannot = true;
    }
    std::vector<std::uint8_t> rbsp = bw.Bytes();
    rbsp.resize(rbsp.size() > static_cast<std::size_t>(sl.truncateBytes) ? rbsp.size() - static_cast<std::size_t>(sl.truncateBytes) : 0);
    Nal(out, 3, sl.partitioned ? 2 : pic.idr ? 5 : 1, rbsp);
}

WmResult Writer::Run()
{
    WmResult r;
    std::vector<std::uint8_t>& out = r.bytes;
    for (int i = 0; i < m_s.junkBefore; ++i)
        out.push_back(static_cast<std::uint8_t>(0x11 + 7 * i));
    if (m_s.paramSets) {
        Sps(out);
        Pps(out);
    }
    if (m_s.seiBefore)
        Sei(out);
    m_picWidth = m_s.mbWidth;
    m_mbs.assign(static_cast<std::size_t>(m_s.mbWidth * m_s.mbHeight), MbState{});
    int sliceId = 0;
    // Without parameter sets a freshly opened decoder has none to refer to.
    if (m_s.pictures.empty() || !m_s.paramSets)
        m_cannot = true;
    // An SPS of another size than the slices: its pictures are not covered.
    if (m_s.spsWidthMbs || m_s.spsHeightMapUnits)
        m_cannot = true;
    // Cropping away the whole picture makes the SPS invalid.
    if (m_s.cropBottom >= 8u * static_cast<std::uint32_t>(m_s.mbHeight))
        m_cannot = true;
    int pendingField = 0; // a frame needs both of its fields
    for (const WmPicture& pic : m_s.pictures) {
        if (pendingField && pic.structure && pic.structure != pendingField) {
            pendingField = 0;
        } else {
            if (pendingField)
                m_cannot = true;
            pendingField = pic.structure;
        }
        const int picSize = m_s.mbWidth * (pic.structure ? m_s.mbHeight / 2 : m_s.mbHeight);
        int covered = 0;
        for (const WmSlice& sl : pic.slices) {
            Slice(out, pic, sl, ++sliceId);
            if (sl.redundantPicCnt == 0)
                covered += static_cast<int>(sl.mbs.size());
        }
        if (covered < picSize)
            m_cannot = true;
    }
    if (pendingField)
        m_cannot = true;
    if (m_s.seiAfter)
        Sei(out);
    r.mismatches = m_mismatches;
    r.matches = m_matches;
    // Without one matching level nothing was shown to be genuine.
    r.verdict = m_mismatches > 0             ? WmVerdict::Tampered
                : m_cannot || m_matches == 0 ? WmVerdict::CannotVerify
                                             : WmVerdict::Verified;
    return r;
}

} // namespace

WmResult WriteWatermarkStream(const WmStream& spec)
{
    Writer w(spec);
    return w.Run();
}

WmPicture WmSimplePicture(int count, WmKind kind, int sliceType, bool idr, int frameNum)
{
    WmPicture p;
    p.idr = idr;
    p.frameNum = frameNum;
    WmSlice s;
    s.type = sliceType;
    s.mbs.assign(static_cast<std::size_t>(count), WmMacroblock{kind, kDue, false});
    p.slices.push_back(s);
    return p;
}

const char* WmCoeffTokenCode(int nC, int totalCoeff, int trailingOnes)
{
    if (trailingOnes < 0 || trailingOnes > 3 || totalCoeff < 0)
        return "";
    if (nC < 0)
        return totalCoeff <= 4 ? kTokDc[totalCoeff][trailingOnes] : "";
    return totalCoeff <= 16 ? kTok[nC < 2 ? 0 : nC < 4 ? 1 : nC < 8 ? 2 : 3][totalCoeff][trailingOnes] : "";
}

const char* WmTotalZerosCode(bool chromaDc, int totalCoeff, int totalZeros)
{
    if (totalZeros < 0 || totalZeros > 15 || totalCoeff < 1)
        return "";
    if (chromaDc)
        return totalCoeff <= 3 ? kTzDc[totalCoeff - 1][totalZeros] ? kTzDc[totalCoeff - 1][totalZeros] : "" : "";
    if (totalCoeff > 15)
        return "";
    const char* c = kTz[totalCoeff - 1][totalZeros];
    return c ? c : "";
}

const char* WmRunBeforeCode(int zerosLeft, int runBefore)
{
    if (zerosLeft < 1 || runBefore < 0 || runBefore > 15)
        return "";
    const char* c = kRunB[(zerosLeft < 7 ? zerosLeft : 7) - 1][runBefore];
    return c ? c : "";
}

} // namespace k5streams
