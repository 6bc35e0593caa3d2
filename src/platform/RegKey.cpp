#include "platform/RegKey.h"

#include "platform/Paths.h"
#include "platform/SettingsFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

// Each value is one entry of the store; its key is the key path with '/' in
// place of '\' followed by the value's name:
//   DWORD   "dword:0000002a"   (eight hex digits, as in registry exports)
//   binary  "hex:01ff"
//   string  a byte string, so that every byte (NULs, Latin-1) comes back as is
// A key that has no value yet holds the marker entry kKeyMarker.

namespace {

const std::string kKeyMarker = ".key";
// A settings store is a few kilobytes; anything this large is not one.
constexpr std::size_t kMaxStoreBytes = 16u << 20;

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

std::string DefaultStoreFile()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base = (xdg && xdg[0] == '/') ? std::string(xdg) : Paths::HomeDir() + "/.config";
    return base + "/Varo/KOLA5500.conf";
}

std::string TestMemoryFileName();

std::string StoreFileLocked()
{
    if (!TestMemoryFileName().empty())
        return TestMemoryFileName(); // the store is held in memory: no path to build
    return TestStoreFile().empty() ? DefaultStoreFile() : TestStoreFile();
}

// "Software\\Varo\\KOLA5500\\" -> "Software/Varo/KOLA5500"; empty parts vanish.
std::string GroupOf(const std::string& path)
{
    std::string group;
    group.reserve(path.size());
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t end = std::min(path.find_first_of("\\/", at), path.size());
        if (end > at) {
            if (!group.empty())
                group += '/';
            group.append(path, at, end - at);
        }
        at = end + 1;
    }
    return group;
}

std::string EntryOf(const std::string& group, const std::string& name)
{
    // Value names hold no separators of their own; an empty name is the key's
    // unnamed value.
    std::string n = name;
    for (char& c : n) {
        if (c == '\\' || c == '/')
            c = '_';
    }
    return group + '/' + (n.empty() ? std::string("@") : n);
}

bool KeyExists(const SettingsEntries& entries, const std::string& group)
{
    const std::string prefix = group + '/';
    const auto it = entries.lower_bound(prefix);
    return it != entries.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

struct Store
{
    bool exists = false;
    bool readable = true;
    std::string bytes;
    SettingsParse parse;
};

std::string*& TestMemoryText()
{
    static std::string* text = nullptr; // guarded by StoreMutex
    return text;
}

std::string TestMemoryFileName()
{
    return TestMemoryText() ? std::string("(memory)") : std::string();
}

// The store as last read; the caller holds StoreMutex while it uses it.
const Store& ReadStore(const std::string& file)
{
    static Store s;
    static std::string memoryText;
    static bool memoryParsed = false;
    if (std::string* memory = TestMemoryText()) {
        // Every key read asks for the store: the parse is kept while the text
        // is unchanged, so a fuzz input costs one parse, not one a key.
        if (memoryParsed && memoryText == *memory)
            return s;
        s = Store{};
        s.exists = true;
        s.bytes = memory->substr(0, kMaxStoreBytes);
        s.parse = ParseSettingsText(s.bytes);
        if (memory->size() > kMaxStoreBytes)
            s.parse.damaged = true;
        memoryText = *memory;
        memoryParsed = true;
        return s;
    }
    memoryParsed = false;
    s = Store{};
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) {
        s.readable = errno == ENOENT;
        return s;
    }
    s.exists = true;
    char buffer[16384];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        s.bytes.append(buffer, n);
        if (s.bytes.size() > kMaxStoreBytes)
            break;
    }
    s.readable = !std::ferror(f);
    std::fclose(f);
    s.parse = ParseSettingsText(s.bytes.substr(0, kMaxStoreBytes));
    if (s.bytes.size() > kMaxStoreBytes)
        s.parse.damaged = true;
    return s;
}

// Writes `bytes` to a new file beside `file` and renames it over `file`, so
// that a reader finds either the old text or the new one, never a part.
bool ReplaceFile(const std::string& file, const std::string& bytes)
{
    std::string pattern = file + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(w);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(pattern.c_str(), file.c_str()) == 0;
    if (!ok)
        ::unlink(pattern.c_str());
    return ok;
}

// The caller holds StoreMutex.
bool WriteStore(const std::string& file, const Store& before, const SettingsEntries& after)
{
    if (std::string* memory = TestMemoryText()) {
        *memory = FormatSettingsText(after);
        return true;
    }
    const auto slash = file.rfind('/');
    if (slash != std::string::npos && slash > 0 && !Paths::CreateFolders(file.substr(0, slash)))
        return false;
    // What a damaged file held beyond the lines that could be read is kept
    // for whoever wants to mend it by hand; the file is not replaced unless
    // that copy exists.
    if (before.exists && before.parse.damaged && !ReplaceFile(file + ".bak", before.bytes))
        return false;
    return ReplaceFile(file, FormatSettingsText(after));
}

struct Decoded
{
    RegType type = RegType::None;
    std::string bytes;
};

Decoded Decode(const SettingsValue& v)
{
    Decoded d;
    if (v.isBytes) {
        d.type = RegType::String;
        d.bytes = v.data;
        return d;
    }
    const std::string& text = v.data;
    if (text.rfind("dword:", 0) == 0) {
        const std::string digits = text.substr(6);
        if (digits.empty() || digits.size() > 8)
            return d;
        std::uint32_t dw = 0;
        for (char c : digits) {
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return d;
            dw = dw * 16 +
                 static_cast<std::uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                                ? c - '0'
                                                : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
        }
        d.type = RegType::Dword;
        for (int i = 0; i < 4; ++i)
            d.bytes.push_back(static_cast<char>((dw >> (8 * i)) & 0xFF));
        return d;
    }
    if (text.rfind("hex:", 0) == 0) {
        const std::string hex = text.substr(4);
        if (hex.size() % 2 != 0)
            return d;
        std::string bytes;
        for (std::size_t i = 0; i < hex.size(); i += 2) {
            const auto hi = static_cast<unsigned char>(hex[i]);
            const auto lo = static_cast<unsigned char>(hex[i + 1]);
            if (!std::isxdigit(hi) || !std::isxdigit(lo))
                return d;
            auto val = [](unsigned char c) { return std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10; };
            bytes.push_back(static_cast<char>(val(hi) * 16 + val(lo)));
        }
        d.type = RegType::Binary;
        d.bytes = std::move(bytes);
        return d;
    }
    // A plain text entry (written by hand) reads as a string of its bytes.
    d.type = RegType::String;
    d.bytes = text;
    return d;
}

struct Change
{
    std::string key;
    std::optional<SettingsValue> value; // none: remove
};

void Apply(SettingsEntries& entries, const Change& c)
{
    if (c.value)
        entries[c.key] = *c.value;
    else
        entries.erase(c.key);
}

} // namespace

struct RegBatch::Impl
{
    std::vector<Change> changes;
    Impl* outer = nullptr;
};

namespace {

thread_local RegBatch::Impl* t_batch = nullptr;

bool ApplyChanges(const std::vector<Change>& changes)
{
    std::lock_guard lock(StoreMutex());
    const std::string file = StoreFileLocked();
    const Store before = ReadStore(file);
    // A store that exists but cannot be read is left alone: writing it would
    // throw away what it holds.
    if (!before.readable)
        return false;
    SettingsEntries after = before.parse.entries;
    for (const Change& c : changes)
        Apply(after, c);
    if (before.exists && !before.parse.damaged && after == before.parse.entries)
        return true;
    return WriteStore(file, before, after);
}

bool Record(std::vector<Change> changes)
{
    if (t_batch) {
        for (Change& c : changes)
            t_batch->changes.push_back(std::move(c));
        return true;
    }
    return ApplyChanges(changes);
}

} // namespace

RegBatch::RegBatch() : m_impl(std::make_unique<Impl>())
{
    // Batches nest: an inner one hands its values to the outer one.
    m_impl->outer = t_batch;
    t_batch = m_impl.get();
}

RegBatch::~RegBatch()
{
    if (t_batch == m_impl.get())
        t_batch = m_impl->outer;
}

bool RegBatch::Commit()
{
    if (t_batch != m_impl.get())
        return false;
    t_batch = m_impl->outer;
    std::vector<Change> changes = std::move(m_impl->changes);
    m_impl->changes.clear();
    if (m_impl->outer) {
        for (Change& c : changes)
            m_impl->outer->changes.push_back(std::move(c));
        return true;
    }
    return ApplyChanges(changes);
}

void RegKey::SetMemoryStoreForTesting(std::string* text)
{
    std::lock_guard lock(StoreMutex());
    TestMemoryText() = text;
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
    const std::string group = GroupOf(path);
    if (group.empty())
        return false;
    bool exists = false;
    {
        std::lock_guard lock(StoreMutex());
        exists = KeyExists(ReadStore(StoreFileLocked()).parse.entries, group);
    }
    if (!exists && !Record({Change{group + '/' + kKeyMarker, SettingsValue{}}}))
        return false;
    m_path = group;
    m_open = true;
    return true;
}

bool RegKey::Open(const std::string& path)
{
    Close();
    const std::string group = GroupOf(path);
    if (group.empty())
        return false;
    std::lock_guard lock(StoreMutex());
    if (!KeyExists(ReadStore(StoreFileLocked()).parse.entries, group))
        return false;
    m_path = group;
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
        const Store& store = ReadStore(StoreFileLocked());
        const auto it = store.parse.entries.find(EntryOf(m_path, name));
        if (it == store.parse.entries.end())
            return false;
        d = Decode(it->second);
    }
    if (d.type == RegType::None)
        return false;
    const std::size_t length = d.bytes.size();
    if (length > size || (length > 0 && buffer == nullptr))
        return false;
    if (length > 0)
        std::memcpy(buffer, d.bytes.data(), length);
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

bool StoreValue(const std::string& group, const std::string& name, SettingsValue value)
{
    return Record(
        {Change{EntryOf(group, name), std::move(value)}, Change{group + '/' + kKeyMarker, std::nullopt}});
}

} // namespace

bool RegKey::SetDword(const std::string& name, std::uint32_t value)
{
    if (!m_open)
        return false;
    char text[16];
    std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(value));
    return StoreValue(m_path, name, SettingsValue{false, text});
}

bool RegKey::SetString(const std::string& name, const std::string& bytes)
{
    if (!m_open)
        return false;
    return StoreValue(m_path, name, SettingsValue{true, bytes});
}

bool RegKey::SetBinary(const std::string& name, const void* data, std::size_t size)
{
    if (!m_open || (size > 0 && data == nullptr))
        return false;
    static const char kHex[] = "0123456789abcdef";
    std::string text = "hex:";
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(kHex[p[i] >> 4]);
        text.push_back(kHex[p[i] & 0xF]);
    }
    return StoreValue(m_path, name, SettingsValue{false, text});
}
