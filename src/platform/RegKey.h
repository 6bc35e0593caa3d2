// Per-user settings keys with typed values, laid out like the registry tree the
// client was designed for: a backslash-separated key path, values by name.
// Stored in one INI file ($XDG_CONFIG_HOME/Varo/KOLA5500.conf).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum class RegType { None, Dword, String, Binary };

class RegKey
{
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Opens the key, creating it (and its parents) when missing; the key then
    // exists afterwards even if no value is ever set.
    bool Create(const std::string& path);
    // Opens an existing key only.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_open; }

    // Reads a value into a buffer of `size` bytes. On success `size` becomes
    // the value's length. A value larger than the buffer, or a missing value,
    // fails and leaves the buffer untouched.
    bool QueryValue(const std::string& name, void* buffer, std::size_t& size, RegType* type = nullptr) const;
    bool QueryDword(const std::string& name, std::uint32_t& value) const;

    bool SetDword(const std::string& name, std::uint32_t value);
    bool SetString(const std::string& name, const std::string& bytes); // stored without terminator
    bool SetBinary(const std::string& name, const void* data, std::size_t size);

    // Tests point the store at a file of their own. Empty restores the default.
    static void SetStoreFileForTesting(const std::string& file);

    // A store held in memory instead of a file (fuzz targets): entries by
    // their "group/name" key as the file names them, each the bytes of a
    // string value (`bytes` true) or the text of any other entry
    // ("dword:0000002a", "hex:01ff", or text written by hand).
    struct MemoryEntry
    {
        std::string text;
        bool bytes = false;
        friend bool operator==(const MemoryEntry&, const MemoryEntry&) = default;
    };
    using MemoryStore = std::map<std::string, MemoryEntry>;
    // Every key reads and writes `store` until it is reset with null.
    static void SetMemoryStoreForTesting(MemoryStore* store);
    static std::string StoreFile();

private:
    std::string m_path;
    bool m_open = false;
};
