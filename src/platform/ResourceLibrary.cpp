#include "platform/ResourceLibrary.h"

#include <QFile>
#include <QFileInfo>
#include <QResource>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <shared_mutex>
#include <system_error>

namespace {

// Loading and unloading are rare and happen on the GUI thread; reads may come
// from any thread (the clock threads, workers that load a text). One lock for
// all libraries keeps the class's layout as it is.
std::shared_mutex& Lock()
{
    static std::shared_mutex lock;
    return lock;
}

std::atomic<ResourceLibrary*> g_current{nullptr};

// Each loaded bundle gets a root of its own, so two libraries (or a reload)
// never see each other's files.
QString NewRoot()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("/MiraRes%1").arg(++counter);
}

QString BitmapPath(const QString& root, int id)
{
    return QStringLiteral(":%1/bmp/%2.png").arg(root).arg(id);
}

// The bundle's string table: id<TAB>text per line, '#' comments, escapes \n,
// \t and \\. A bad line is skipped; the rest of the table still loads.
std::map<int, QString> ParseStrings(const QByteArray& data)
{
    std::map<int, QString> table;
    const QList<QByteArray> lines = data.split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const int tab = line.indexOf('\t');
        if (tab <= 0)
            continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (!ok)
            continue;
        const QString raw = QString::fromUtf8(line.mid(tab + 1));
        QString text;
        text.reserve(raw.size());
        bool good = true;
        for (int i = 0; i < raw.size() && good; ++i) {
            if (raw[i] != '\\') {
                text += raw[i];
                continue;
            }
            if (++i >= raw.size()) {
                good = false;
                break;
            }
            switch (raw[i].unicode()) {
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            case '\\':
                text += '\\';
                break;
            default:
                good = false;
                break;
            }
        }
        if (good)
            table[id] = text;
    }
    return table;
}

} // namespace

ResourceLibrary::~ResourceLibrary()
{
    // A library that goes away must not stay current.
    ResourceLibrary* self = this;
    g_current.compare_exchange_strong(self, nullptr);
    Unload();
}

bool ResourceLibrary::Load(const std::string& rccFile)
{
    Unload();
    const QString file = QString::fromStdString(rccFile);
    if (!QFileInfo(file).isFile())
        return false;
    const QString root = NewRoot();
    if (!QResource::registerResource(file, root))
        return false;
    QFile strings(QStringLiteral(":%1/strings.tsv").arg(root));
    if (!strings.open(QIODevice::ReadOnly)) {
        // Not one of our bundles.
        QResource::unregisterResource(file, root);
        return false;
    }
    std::map<int, QString> table = ParseStrings(strings.readAll());
    strings.close();

    std::unique_lock lock(Lock());
    m_file = rccFile;
    m_root = root;
    m_strings = std::move(table);
    m_loaded = true;
    return true;
}

void ResourceLibrary::Unload()
{
    std::unique_lock lock(Lock());
    if (!m_loaded)
        return;
    QResource::unregisterResource(QString::fromStdString(m_file), m_root);
    m_loaded = false;
    m_file.clear();
    m_root.clear();
    m_strings.clear();
}

QImage ResourceLibrary::LoadBitmap(int id) const
{
    std::shared_lock lock(Lock());
    if (!m_loaded)
        return QImage();
    QImage image(BitmapPath(m_root, id));
    if (image.isNull())
        return image;
    // Skin bitmaps are opaque; key colours stand for transparency.
    return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
}

QString ResourceLibrary::LoadResString(int id) const
{
    std::shared_lock lock(Lock());
    const auto it = m_strings.find(id);
    return it == m_strings.end() ? QString() : it->second;
}

bool ResourceLibrary::HasBitmap(int id) const
{
    std::shared_lock lock(Lock());
    return m_loaded && QFile::exists(BitmapPath(m_root, id));
}

bool ResourceLibrary::HasString(int id) const
{
    std::shared_lock lock(Lock());
    return m_strings.count(id) != 0;
}

std::string ResourceLibrary::DefaultFile()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "MiraRes.rcc";
    return (exe.parent_path() / "MiraRes.rcc").string();
}

ResourceLibrary& ResourceLibrary::Current()
{
    static ResourceLibrary empty;
    ResourceLibrary* current = g_current.load();
    return current ? *current : empty;
}

void ResourceLibrary::SetCurrent(ResourceLibrary* library)
{
    g_current.store(library);
}
