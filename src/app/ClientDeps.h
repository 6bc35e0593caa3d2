// What the main window takes from the machine at start and gives back at
// exit, as replaceable factories: the screen-saver inhibit, the sound device,
// the decoder and resource libraries, the mixer, the monitors, the read-only
// media check, the connection log, the clock and the settings file. The
// program uses Defaults(); tests replace single entries with fakes.
#pragma once

#include "app/CommandLine.h"
#include "platform/DecoderLibrary.h"
#include "platform/ResourceLibrary.h"
#include "platform/System.h"
#include "platform/Types.h"

#include <array>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

class CConnectLog;
class IConnectDlgHost;
class IConnectTarget;
class QWidget;

struct ClientDeps
{
    // Held from start-up to clean-up; releasing the token lets the screen
    // saver run again. The user's own setting is never changed.
    std::function<std::shared_ptr<void>()> inhibitScreenSaver;
    std::function<bool()> hasSoundDevice;
    // Null when the library is missing; start-up goes on without it.
    std::function<std::unique_ptr<DecoderLibrary>()> loadDecoder;
    std::function<std::unique_ptr<ResourceLibrary>()> loadResources;
    std::function<std::unique_ptr<MasterMixer>()> createMixer;
    std::function<std::array<MonitorInfo, 4>()> enumMonitors;
    std::function<bool()> isReadOnlyMedia;
    std::function<std::unique_ptr<CConnectLog>()> createConnectLog;
    // The current UTC time.
    std::function<std::time_t()> now;
    // The settings file to read; empty: none.
    std::function<std::string()> findSettingsFile;
    std::function<WORD()> userLanguageId;
    // When set, takes the place of creating and starting the connection
    // object (tests).
    std::function<bool(const ConnectRequest&)> startConnection;
    // The connect dialog of the Connect button: runs it modally over `parent`
    // with the alpha and, on OK, hands its values to `target`; true when a
    // connection was handed over. Tests fake the dialog's window.
    std::function<bool(QWidget* parent, IConnectDlgHost& host, IConnectTarget& target, BYTE alpha)>
        runConnectDialog;

    static ClientDeps Defaults();
};
