#include "app/ClientDeps.h"

#include "app/ConnectLog.h"
#include "app/LocalSettings.h"
#include "net/ConnectDlg.h"
#include "platform/Paths.h"

ClientDeps ClientDeps::Defaults()
{
    ClientDeps d;
    d.inhibitScreenSaver = [] { return std::shared_ptr<void>(std::make_shared<ScreenSaverInhibitor>()); };
    d.hasSoundDevice = [] { return HasSoundDevice(); };
    d.loadDecoder = []() -> std::unique_ptr<DecoderLibrary> {
        auto lib = std::make_unique<DecoderLibrary>();
        if (!lib->Load())
            return nullptr;
        return lib;
    };
    d.loadResources = []() -> std::unique_ptr<ResourceLibrary> {
        auto lib = std::make_unique<ResourceLibrary>();
        if (!lib->Load(ResourceLibrary::DefaultFile()))
            return nullptr;
        return lib;
    };
    d.createMixer = [] { return CreateMasterMixer(); };
    d.enumMonitors = [] { return EnumMonitors(); };
    d.isReadOnlyMedia = [] { return Paths::IsReadOnlyMedia(); };
    d.createConnectLog = [] { return std::make_unique<CConnectLog>(); };
    d.now = [] { return std::time(nullptr); };
    d.findSettingsFile = [] { return Paths::FindSettingsFile(); };
    d.userLanguageId = [] { return GetUserDefaultLangId(); };
    d.runConnectDialog = [](QWidget* parent, IConnectDlgHost& host, IConnectTarget& target, BYTE alpha) {
        return RunConnectDialog(parent, host, target, alpha);
    };
    return d;
}
