#include "ui/SkinProgress.h"

#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"

#include <QPainter>
#include <cmath>

CSkinProgress::CSkinProgress(QWidget* parent) : CSkinCtrl(parent) {}

void CSkinProgress::SetRange(int nLower, int nUpper, bool bRedraw)
{
    m_nLower = nLower;
    m_nUpper = nUpper;
    m_nPos = 0;
    m_fPercent = 0.0f;
    m_strText = QStringLiteral("0 %");
    if (bRedraw)
        update();
}

QString CSkinProgress::PercentText(int lower, int upper, int pos, float* percent)
{
    // A range with equal ends has nothing to measure: it reads 0 %, rather
    // than dividing by zero.
    const double value =
        upper != lower ? (static_cast<double>(pos) - lower) * 100.0 / (static_cast<double>(upper) - lower)
                       : 0.0;
    if (percent)
        *percent = static_cast<float>(value);
    return QString::asprintf("%.1f ", static_cast<double>(static_cast<float>(value))) + QStringLiteral("%");
}

int CSkinProgress::FillRight(int lower, int upper, int pos, int clientWidth, int frameWidth)
{
    const double span = static_cast<double>(upper) - lower + 2;
    const int room = clientWidth - frameWidth;
    int g = frameWidth;
    if (span > 0)
        g += static_cast<int>(std::trunc((static_cast<double>(pos) - lower) / span * room));
    return std::min(g, room);
}

void CSkinProgress::SetPos(int nPos)
{
    if (nPos > m_nUpper)
        nPos = m_nUpper;
    if (nPos < m_nLower)
        nPos = m_nLower;
    m_nPos = nPos;
    if (m_bShowText)
        m_strText = PercentText(m_nLower, m_nUpper, m_nPos, &m_fPercent);
    update();
}

void CSkinProgress::SetTextStyle(bool bShowText, COLORREF crText)
{
    m_bShowText = bShowText ? 1 : 0;
    m_crText = crText;
    update();
}

bool CSkinProgress::SetBackBitmap(UINT nID)
{
    m_bmpBack = ResourceLibrary::Current().LoadBitmap(static_cast<int>(nID));
    m_bmBack = m_bmpBack.size();
    update();
    return !m_bmpBack.isNull();
}

bool CSkinProgress::SetBarBitmap(UINT nID)
{
    m_bmpBar = ResourceLibrary::Current().LoadBitmap(static_cast<int>(nID));
    update();
    return !m_bmpBar.isNull();
}

void CSkinProgress::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int W = width();
    const int frames = m_nFrames > 0 ? m_nFrames : 3;
    const int fw = m_bmBack.width() / frames;
    const int h = m_bmBack.height();

    // Frame i of a strip: the piece of width (strip width / 3) at i x that.
    auto piece = [frames](const QImage& strip, int i) {
        const int pw = strip.width() / frames;
        return QRect(pw * i, 0, pw, strip.height());
    };
    auto copyFrame = [&](const QImage& strip, int i, const QRect& dst) {
        if (strip.isNull() || dst.width() <= 0)
            return;
        p.drawImage(dst.topLeft(), strip, QRect(dst.width() * i, 0, dst.width(), dst.height()));
    };
    auto stretchFrame = [&](const QImage& strip, int i, const QRect& dst) {
        if (strip.isNull() || dst.width() <= 0)
            return;
        p.drawImage(dst, strip, piece(strip, i));
    };

    copyFrame(m_bmpBack, 0, QRect(0, 0, fw, h));
    stretchFrame(m_bmpBack, 1, QRect(fw, 0, W - 2 * fw, h));
    copyFrame(m_bmpBack, 2, QRect(W - fw, 0, fw, h));

    if (m_nPos > m_nLower)
        copyFrame(m_bmpBar, 0, QRect(0, 0, fw, h));
    if (m_nLower + 1 < m_nPos && m_nPos < m_nUpper) {
        const int g = FillRight(m_nLower, m_nUpper, m_nPos, W, fw);
        stretchFrame(m_bmpBar, 1, QRect(fw, 0, g - fw, h));
    }
    if (m_nPos == m_nUpper && m_nUpper > m_nLower) {
        stretchFrame(m_bmpBar, 1, QRect(fw, 0, W - 2 * fw, h));
        copyFrame(m_bmpBar, 2, QRect(W - fw, 0, fw, h));
    }

    if (m_bShowText) {
        p.setPen(fromColorRef(m_crText));
        p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_strText);
    }
}
