// Printing a list of rows on the default printer without a dialog: a boxed
// title on every page, up to 33 rows of boxed cells and a centred page
// footer. The log lists and the connection-log viewer print through it; they
// differ only in the job's values.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPrinter;

// A rectangle in twips (1/1440 inch), x to the right and y upwards from the
// printable area's top-left corner, so a page's rows have negative y.
struct TwipsRect
{
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

// What a printout draws on. Texts are recorder bytes, shown as Latin-1.
class IPrintSurface
{
public:
    virtual ~IPrintSurface() = default;
    virtual bool StartDoc(const std::string& docName) = 0;
    virtual bool StartPage() = 0;
    // `another`: a further page follows. False: the printer refused the page.
    virtual bool EndPage(bool another) = 0;
    virtual void EndDoc() = 0;
    virtual void AbortDoc() = 0;
    // Character height in twips; weight 400 regular, 700 bold.
    virtual void SelectFont(const std::string& face, int height, int weight) = 0;
    // Outlined with the solid black pen of width 5.
    virtual void Rectangle(const TwipsRect& r) = 0;
    // Centred horizontally and vertically on one line.
    virtual void DrawText(const std::string& text, const TwipsRect& r) = 0;
};

struct LogPrintJob
{
    std::string docName;
    std::string title;
    TwipsRect titleBox{3200, -900, 8200, -1400};
    // Cell boundaries, one more than the cells.
    std::vector<int> columns{400, 1150, 3300, 5150, 6300, 11000};
    std::string face = "Arial Bold";
    int rowCount = 0;
    // The cells of one row; false leaves the row out (its slot is used up).
    std::function<bool(int row, std::vector<std::string>& cells)> rowCells;
};

inline constexpr int kPrintRowsPerPage = 33;
inline constexpr int kPrintRowHeight = 400;
inline constexpr int kPrintFirstRowTop = -1800;
inline constexpr TwipsRect kPrintFooterBox{5000, -15500, 7000, -15700};

using PrinterFactory = std::function<std::unique_ptr<QPrinter>()>;

class CLogPrint
{
public:
    enum class Result
    {
        NoPrinter, // nothing printed, no message
        Printed,
        Aborted, // a page was refused: the document was aborted
    };

    // On the printer the factory gives (the system's default printer unless
    // a test installed another).
    Result PrintLog(const LogPrintJob& job);
    Result PrintLog(IPrintSurface& surface, const LogPrintJob& job);

    // One page; true when the printout ends with it.
    bool PrintPage(IPrintSurface& surface, int page);
    void PrintHeader(IPrintSurface& surface);
    void PrintRows(IPrintSurface& surface);
    void PrintFooter(IPrintSurface& surface, int page);

    // The next row to print and the printout's page count; both keep their
    // last values until the next printout starts.
    int m_nPrintRow = 0;
    int m_nPageCount = 0;

    // Process-wide: tests install a file printer here. An empty factory
    // restores the default printer.
    static void SetPrinterFactory(PrinterFactory factory);
    // The system's default printer, null when there is none.
    static std::unique_ptr<QPrinter> DefaultPrinter();

private:
    const LogPrintJob* m_job = nullptr;
};

// The surface over a Qt printer: pages begin lazily, so a printout without a
// page leaves no output; a refused new page is a refused page.
class CQtPrintSurface : public IPrintSurface
{
public:
    explicit CQtPrintSurface(QPrinter& printer);
    ~CQtPrintSurface() override;
    bool StartDoc(const std::string& docName) override;
    bool StartPage() override;
    bool EndPage(bool another) override;
    void EndDoc() override;
    void AbortDoc() override;
    void SelectFont(const std::string& face, int height, int weight) override;
    void Rectangle(const TwipsRect& r) override;
    void DrawText(const std::string& text, const TwipsRect& r) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
