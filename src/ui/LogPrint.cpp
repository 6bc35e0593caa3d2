#include "ui/LogPrint.h"

#include "platform/Skin.h"

#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <QPrinterInfo>
#include <mutex>

namespace {

std::mutex g_factoryLock;
PrinterFactory g_factory;

QRect ToWindow(const TwipsRect& r)
{
    // The painter's window is twips with y downwards: flip the sign here
    // rather than in the transform, which would mirror the text.
    return QRect(r.left, -r.top, r.right - r.left, r.top - r.bottom).normalized();
}

} // namespace

void CLogPrint::SetPrinterFactory(PrinterFactory factory)
{
    std::lock_guard<std::mutex> lock(g_factoryLock);
    g_factory = std::move(factory);
}

std::unique_ptr<QPrinter> CLogPrint::DefaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

CLogPrint::Result CLogPrint::PrintLog(const LogPrintJob& job)
{
    PrinterFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_factoryLock);
        factory = g_factory;
    }
    std::unique_ptr<QPrinter> printer = factory ? factory() : DefaultPrinter();
    if (!printer)
        return Result::NoPrinter;
    CQtPrintSurface surface(*printer);
    return PrintLog(surface, job);
}

CLogPrint::Result CLogPrint::PrintLog(IPrintSurface& surface, const LogPrintJob& job)
{
    if (!surface.StartDoc(job.docName))
        return Result::NoPrinter;
    m_job = &job;
    m_nPageCount = (std::max(job.rowCount, 0) + kPrintRowsPerPage - 1) / kPrintRowsPerPage;
    m_nPrintRow = 0;
    bool ok = true;
    bool ended = false;
    for (int page = 1; page <= m_nPageCount && ok && !ended; ++page) {
        ok = surface.StartPage();
        if (!ok)
            break;
        ended = PrintPage(surface, page) || page == m_nPageCount;
        ok = surface.EndPage(!ended);
    }
    m_job = nullptr;
    if (ok) {
        surface.EndDoc();
        return Result::Printed;
    }
    surface.AbortDoc();
    return Result::Aborted;
}

bool CLogPrint::PrintPage(IPrintSurface& surface, int page)
{
    PrintHeader(surface);
    PrintRows(surface);
    PrintFooter(surface, page);
    return m_nPrintRow >= m_job->rowCount;
}

void CLogPrint::PrintHeader(IPrintSurface& surface)
{
    surface.SelectFont(m_job->face, 400, 700);
    surface.Rectangle(m_job->titleBox);
    surface.DrawText(m_job->title, m_job->titleBox);
}

void CLogPrint::PrintRows(IPrintSurface& surface)
{
    surface.SelectFont(m_job->face, 200, 400);
    const std::vector<int>& cols = m_job->columns;
    if (cols.size() < 2)
        return;
    const std::size_t cellCount = cols.size() - 1;
    int top = kPrintFirstRowTop;
    std::vector<std::string> cells;
    for (int slot = 0; slot < kPrintRowsPerPage && m_nPrintRow < m_job->rowCount; ++slot) {
        cells.assign(cellCount, std::string());
        const bool printed = m_job->rowCells && m_job->rowCells(m_nPrintRow, cells);
        ++m_nPrintRow;
        if (!printed)
            continue;
        cells.resize(cellCount);
        for (std::size_t c = 0; c < cellCount; ++c) {
            const TwipsRect cell{cols[c], top, cols[c + 1], top - kPrintRowHeight};
            surface.Rectangle(cell);
            if (!cells[c].empty())
                surface.DrawText(cells[c], cell);
        }
        top -= kPrintRowHeight;
    }
}

void CLogPrint::PrintFooter(IPrintSurface& surface, int page)
{
    surface.SelectFont(m_job->face, 200, 400);
    surface.DrawText("- " + std::to_string(page) + " / " + std::to_string(m_nPageCount) + " -",
                     kPrintFooterBox);
}

// ---------------------------------------------------------------------------

struct CQtPrintSurface::Impl
{
    explicit Impl(QPrinter& p) : printer(p) {}
    QPrinter& printer;
    QPainter painter;
    bool failed = false;
};

CQtPrintSurface::CQtPrintSurface(QPrinter& printer) : m_impl(std::make_unique<Impl>(printer)) {}

CQtPrintSurface::~CQtPrintSurface()
{
    if (m_impl->painter.isActive())
        m_impl->painter.end();
}

bool CQtPrintSurface::StartDoc(const std::string& docName)
{
    m_impl->printer.setDocName(QString::fromLatin1(docName.data(), static_cast<qsizetype>(docName.size())));
    return true;
}

bool CQtPrintSurface::StartPage()
{
    QPainter& p = m_impl->painter;
    if (p.isActive())
        return true; // the page was begun by the previous page's end
    if (!p.begin(&m_impl->printer))
        return false;
    const QRect device = p.viewport();
    const int resX = std::max(1, m_impl->printer.logicalDpiX());
    const int resY = std::max(1, m_impl->printer.logicalDpiY());
    p.setWindow(0, 0, static_cast<int>(device.width() * 1440LL / resX),
                static_cast<int>(device.height() * 1440LL / resY));
    QPen pen(Qt::black, 5, Qt::SolidLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    return true;
}

bool CQtPrintSurface::EndPage(bool another)
{
    if (!another)
        return true;
    return m_impl->printer.newPage();
}

void CQtPrintSurface::EndDoc()
{
    if (m_impl->painter.isActive())
        m_impl->painter.end();
}

void CQtPrintSurface::AbortDoc()
{
    m_impl->printer.abort();
    if (m_impl->painter.isActive())
        m_impl->painter.end();
}

void CQtPrintSurface::SelectFont(const std::string& face, int height, int weight)
{
    QFont font = MakeSkinFont(face, 10, weight);
    font.setPixelSize(std::max(1, height));
    if (m_impl->painter.isActive())
        m_impl->painter.setFont(font);
}

void CQtPrintSurface::Rectangle(const TwipsRect& r)
{
    if (m_impl->painter.isActive())
        m_impl->painter.drawRect(ToWindow(r));
}

void CQtPrintSurface::DrawText(const std::string& text, const TwipsRect& r)
{
    if (!m_impl->painter.isActive())
        return;
    const QString s = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    m_impl->painter.drawText(ToWindow(r), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, s);
}
