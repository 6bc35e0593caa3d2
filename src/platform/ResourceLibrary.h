// The resource bundle (MiraRes.rcc): every skin bitmap and every text of the
// client, by numeric id. A missing bundle or id gives a null image or an empty
// text and nothing else fails.
#pragma once

#include <QImage>
#include <QString>
#include <map>
#include <string>

class ResourceLibrary
{
public:
    ResourceLibrary() = default;
    ~ResourceLibrary();
    ResourceLibrary(const ResourceLibrary&) = delete;
    ResourceLibrary& operator=(const ResourceLibrary&) = delete;

    // Loads the bundle file; false (and empty) when it is missing or bad.
    bool Load(const std::string& rccFile);
    void Unload();
    bool IsLoaded() const { return m_loaded; }

    QImage LoadBitmap(int id) const;
    QString LoadResString(int id) const;
    bool HasBitmap(int id) const;
    bool HasString(int id) const;

    // MiraRes.rcc beside the executable.
    static std::string DefaultFile();

    // The library every window loads from (the main window sets it at start).
    // Never null: without one an empty library answers.
    static ResourceLibrary& Current();
    static void SetCurrent(ResourceLibrary* library);

private:
    bool m_loaded = false;
    std::string m_file;
    QString m_root;
    std::map<int, QString> m_strings;
};
