#include "platform/RegKey.h"

#include "platform/Paths.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>

// Layout in the INI file: a key path becomes a settings group with '/' in
// place of '\'. Each value is one entry of the group:
//   DWORD   "dword:0000002a"   (eight hex digits, as in registry exports)
//   binary  "hex:01ff"
//   string  a byte array, so that every byte (NULs, Latin-1) comes back as is
// A key that has no value yet holds the marker entry kKeyMarker.

namespace {

const QString kKeyMarker = QStringLiteral(".key");

std::mutex& StoreMutex()
{
    static std::mutex m;
    return m;
}

std::string& TestStoreFile()
{
    static std::string file; // guarded by StoreMutex
    return file;
}

RegKey::MemoryStore*& TestMemoryStore()
{
    static RegKey::MemoryStore* store = nullptr; // guarded by StoreMutex
    return store;
}

std::string MemoryKey(const QString& key)
{
    return key.toLatin1().toStdString();
}

std::string DefaultStoreFile()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base = (xdg && xdg[0] == '/') ? std::string(xdg) : Paths::HomeDir() + "/.config";
    return base + "/Varo/KOLA5500.conf";
}

std::string StoreFileLocked()
{
    return TestStoreFile().empty() ? DefaultStoreFile() : TestStoreFile();
}

// "Software\\Varo\\KOLA5500\\" -> "Software/Varo/KOLA5500"; empty parts vanish.
QString GroupOf(const std::string& path)
{
    QString group;
    std::string part;
    auto flush = [&] {
        if (part.empty())
            return;
        if (!group.isEmpty())
            group += QLatin1Char('/');
        group += QString::fromLatin1(part.data(), static_cast<qsizetype>(part.size()));
        part.clear();
    };
    for (char c : path) {
        if (c == '\\' || c == '/')
            flush();
        else
            part += c;
    }
    flush();
    return group;
}

QString EntryOf(const std::string& name)
{
    // Value names hold no separators of their own; an empty name is the key's
    // unnamed value.
    QString n = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    n.replace(QLatin1Char('\\'), QLatin1Char('_')).replace(QLatin1Char('/'), QLatin1Char('_'));
    return n.isEmpty() ? QStringLiteral("@") : n;
}

bool KeyExists(QSettings& s, const QString& group)
{
    s.beginGroup(group);
    const bool exists = !s.childKeys().isEmpty() || !s.childGroups().isEmpty();
    s.endGroup();
    return exists;
}

// The store's primitives on the file or on the memory store; the caller
// holds StoreMutex.
bool StoreKeyExists(const QString& group)
{
    if (RegKey::MemoryStore* memory = TestMemoryStore()) {
        const std::string prefix = MemoryKey(group) + '/';
        const auto it = memory->lower_bound(prefix);
        return it != memory->end() && it->first.compare(0, prefix.size(), prefix) == 0;
    }
    QSettings s(QString::fromStdString(StoreFileLocked()), QSettings::IniFormat);
    return KeyExists(s, group);
}

QVariant StoreValue(const QString& key)
{
    if (RegKey::MemoryStore* memory = TestMemoryStore()) {
        const auto it = memory->find(MemoryKey(key));
        if (it == memory->end())
            return QVariant();
        const std::string& text = it->second.text;
        if (it->second.bytes)
            return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    }
    QSettings s(QString::fromStdString(StoreFileLocked()), QSettings::IniFormat);
    return s.value(key);
}

// Sets `key` and removes `removed` (when not empty).
bool StoreSet(const QString& key, const QVariant& value, const QString& removed)
{
    if (RegKey::MemoryStore* memory = TestMemoryStore()) {
        RegKey::MemoryEntry entry;
        entry.bytes = value.typeId() == QMetaType::QByteArray;
        entry.text = entry.bytes ? value.toByteArray().toStdString() : value.toString().toLatin1().toStdString();
        (*memory)[MemoryKey(key)] = std::move(entry);
        if (!removed.isEmpty())
            memory->erase(MemoryKey(removed));
        return true;
    }
    QSettings s(QString::fromStdString(StoreFileLocked()), QSettings::IniFormat);
    s.setValue(key, value);
    if (!removed.isEmpty())
        s.remove(removed);
    s.sync();
    return s.status() == QSettings::NoError;
}

struct Decoded
{
    RegType type = RegType::None;
    QByteArray bytes;
};

Decoded Decode(const QVariant& v)
{
    Decoded d;
    if (!v.isValid())
        return d;
    if (v.typeId() == QMetaType::QByteArray) {
        d.type = RegType::String;
        d.bytes = v.toByteArray();
        return d;
    }
    const QString text = v.toString();
    if (text.startsWith(QLatin1String("dword:"))) {
        bool ok = false;
        const qulonglong value = text.mid(6).toULongLong(&ok, 16);
        if (!ok || value > 0xFFFFFFFFull)
            return d;
        const std::uint32_t dw = static_cast<std::uint32_t>(value);
        d.type = RegType::Dword;
        d.bytes.resize(4);
        for (int i = 0; i < 4; ++i)
            d.bytes[i] = static_cast<char>((dw >> (8 * i)) & 0xFF);
        return d;
    }
    if (text.startsWith(QLatin1String("hex:"))) {
        const QByteArray hex = text.mid(4).toLatin1();
        if (hex.size() % 2 != 0)
            return d;
        for (char c : hex) {
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return d;
        }
        d.type = RegType::Binary;
        d.bytes = QByteArray::fromHex(hex);
        return d;
    }
    // A plain text entry (written by hand) reads as a string of its Latin-1 bytes.
    d.type = RegType::String;
    d.bytes = text.toLatin1();
    return d;
}

} // namespace

void RegKey::SetMemoryStoreForTesting(MemoryStore* store)
{
    std::lock_guard lock(StoreMutex());
    TestMemoryStore() = store;
}

void RegKey::SetStoreFileForTesting(const std::string& file)
{
    std::lock_guard lock(StoreMutex());
    TestStoreFile() = file;
}

std::string RegKey::StoreFile()
{
    std::lock_guard lock(StoreMutex());
    return StoreFileLocked();
}

bool RegKey::Create(const std::string& path)
{
    Close();
    const QString group = GroupOf(path);
    if (group.isEmpty())
        return false;
    std::lock_guard lock(StoreMutex());
    if (TestMemoryStore() == nullptr) {
        const std::string file = StoreFileLocked();
        const auto slash = file.rfind('/');
        if (slash != std::string::npos && slash > 0 && !Paths::CreateFolders(file.substr(0, slash)))
            return false;
    }
    if (!StoreKeyExists(group) && !StoreSet(group + QLatin1Char('/') + kKeyMarker, QString(), QString()))
        return false;
    m_path = group.toStdString();
    m_open = true;
    return true;
}

bool RegKey::Open(const std::string& path)
{
    Close();
    const QString group = GroupOf(path);
    if (group.isEmpty())
        return false;
    std::lock_guard lock(StoreMutex());
    if (!StoreKeyExists(group))
        return false;
    m_path = group.toStdString();
    m_open = true;
    return true;
}

void RegKey::Close()
{
    m_open = false;
    m_path.clear();
}

bool RegKey::QueryValue(const std::string& name, void* buffer, std::size_t& size, RegType* type) const
{
    if (!m_open)
        return false;
    Decoded d;
    {
        std::lock_guard lock(StoreMutex());
        d = Decode(StoreValue(QString::fromStdString(m_path) + QLatin1Char('/') + EntryOf(name)));
    }
    if (d.type == RegType::None)
        return false;
    const auto length = static_cast<std::size_t>(d.bytes.size());
    if (length > size || (length > 0 && buffer == nullptr))
        return false;
    if (length > 0)
        std::memcpy(buffer, d.bytes.constData(), length);
    size = length;
    if (type)
        *type = d.type;
    return true;
}

bool RegKey::QueryDword(const std::string& name, std::uint32_t& value) const
{
    std::uint8_t bytes[4] = {};
    std::size_t size = sizeof(bytes);
    RegType type = RegType::None;
    if (!QueryValue(name, bytes, size, &type) || type != RegType::Dword || size != 4)
        return false;
    value = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
            (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    return true;
}

namespace {

bool Store(const std::string& path, const std::string& name, const QVariant& value)
{
    std::lock_guard lock(StoreMutex());
    const QString group = QString::fromStdString(path);
    return StoreSet(group + QLatin1Char('/') + EntryOf(name), value, group + QLatin1Char('/') + kKeyMarker);
}

} // namespace

bool RegKey::SetDword(const std::string& name, std::uint32_t value)
{
    if (!m_open)
        return false;
    return Store(m_path, name, QStringLiteral("dword:%1").arg(value, 8, 16, QLatin1Char('0')));
}

bool RegKey::SetString(const std::string& name, const std::string& bytes)
{
    if (!m_open)
        return false;
    return Store(m_path, name, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool RegKey::SetBinary(const std::string& name, const void* data, std::size_t size)
{
    if (!m_open || (size > 0 && data == nullptr))
        return false;
    const QByteArray bytes(static_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = QStringLiteral("hex:") + QString::fromLatin1(bytes.toHex());
    return Store(m_path, name, text);
}
