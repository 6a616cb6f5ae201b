#pragma once

#include "CommPort.h"
#include "DialingView.h"
#include "LineApi.h"
#include "TLogFile.h"
#include "TelephonyError.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

class Clock;
class Prompter;
class QEvent;

// Raises TelephonyError for a negative TAPI result; 0 and positive request ids pass.
void CheckTapiResult(qint32 result);
// The text CheckTapiResult raises for a negative result.
QString tapiResultText(qint32 result);

// The telephone line: makes a modem dial a number through a TAPI-shaped LineApi, shows the dialling
// window meanwhile, and reports the call's course through its events. One exists per process.
// Every method runs on the user-interface thread; failures are raised as TelephonyError.
class TTAPILine : public QObject, public LineCallbackSink
{
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(QObject *sender)>;
    using DialingWindowFactory = std::function<std::unique_ptr<DialingView>()>;

    static constexpr quint32 unsetDevice = 0xFFFFFFFF;
    // The dialling window's messages: start the watcher, new data at the port.
    static constexpr int startWatcherMessage = 1801;
    static constexpr int newDataMessage = 1802;

    // Registers with the telephony interface (a null api is a system without any line device) and
    // creates the process's dialling window when there is none yet. Raises when a line component
    // exists already or the registration fails.
    TTAPILine(LineApi *api,
              Prompter &prompter,
              const Clock &clock,
              const DialingWindowFactory &makeDialingWindow,
              const QString &appName = QStringLiteral("Morwinek"),
              QObject *owner = nullptr);
    ~TTAPILine() override;

    // The process's line component, or null.
    static TTAPILine *instance();
    // The process's dialling window, or null.
    static DialingView *dialingWindow();

    // Published properties.
    bool WaitForCall = true;
    bool DeviceDirectAccess = false;
    QString PhoneNumber;
    quint32 DevIdToInitialize() const { return m_devId; }
    void setDevIdToInitialize(quint32 device);
    const QStringList &DirectAccessScript() const { return m_script; }
    void setDirectAccessScript(const QStringList *lines);
    QString DirectAccessLogFile;
    quint32 Timeout = 20; // seconds

    NotifyEvent OnConnection;
    NotifyEvent OnCallOffering;
    NotifyEvent OnCallAnswering;
    NotifyEvent OnDisconnect;
    NotifyEvent OnBusy;
    NotifyEvent OnOpen;
    NotifyEvent OnClose;
    NotifyEvent OnDropCall;
    NotifyEvent OnUnexpectedClose;
    NotifyEvent OnNewData;

    // Receives the status texts when set.
    std::function<void(const QString &)> StatusPanel;

    quint32 deviceCount() const { return m_deviceCount; }
    bool portOpen() const { return m_portOpen; }
    bool userHungUp() const { return m_userHangUp; }
    qint32 makeCallRequestId() const { return m_makeCallId; }
    qint32 dropRequestId() const { return m_dropId; }
    qint32 answerRequestId() const { return m_answerId; }
    Tapi::HCALL callHandle() const { return m_call; }
    const std::shared_ptr<CommPort> &port() const { return m_port; }
    const QString &lastScriptError() const { return m_lastScriptError; }

    void OpenLine();
    bool MakeCall();
    void DropCall();
    void CloseLine();
    int VerifyUsableLine(quint32 device);
    void AttachPort();

    void lineCallback(
        quint32 device, quint32 message, quintptr instance, quint32 param1, quint32 param2, quint32 param3) override;
    void HandleReply(quint32 requestId, qint32 result);

    static QString CallStateName(quint32 state);
    static QString CallStateDetail(quint32 state, quint32 detail);
    // The line name of the capabilities; null capabilities is "Modem niedostępny".
    static QString GetLineName(const LineDevCaps *caps);
    static QString CommErrorText(quint32 errors);

    // The modem port (usable while the port is open).
    bool WriteBytes(const QByteArray &data);
    bool WriteString(const QString &text);
    QByteArray ReadBytes(qint64 count); // 0 = all waiting
    QString ReadString(qint64 count);   // 0 = all waiting
    quint32 BytesWaiting();
    void RunDirectAccessScript();
    void StartWatcher();
    bool watcherRunning() const { return m_watcher != nullptr; }

    // The dialling window hands its watcher messages here; true when the event was one of them.
    bool dialingWindowEvent(QEvent *event);

    // How the script waits between reads while the program goes on; tests make it instant.
    void setWaitFunction(std::function<void(int ms)> wait) { m_wait = std::move(wait); }

private:
    quint32 NegotiateDeviceVersion(quint32 device);
    // CheckTapiResult for lineOpen, with the backend's advice on a line of its own.
    void checkOpenResult(qint32 result);
    void setStatus(const QString &text);
    void fire(const NotifyEvent &event);
    void showMessage(const QString &text);
    void hideDialing();
    void closePortHandle();
    void handleCallState(quint32 device, quint32 state, quint32 detail, QString *status, bool *ended);
    void saveLog(std::unique_ptr<TLogFile> &log);
    void startWatcherThread();

    LineApi *m_api;
    Prompter &m_prompter;
    const Clock &m_clock;
    QString m_appName;

    quint32 m_devId = unsetDevice;
    QStringList m_script;

    QString m_lastScriptError;
    Tapi::HLINEAPP m_lineApp = 0;
    qint32 m_answerId = 0;
    qint32 m_makeCallId = 0;
    qint32 m_dropId = 0;
    Tapi::HLINE m_line = 0;
    bool m_lineOpen = false;
    Tapi::HCALL m_call = 0;
    bool m_userHangUp = false;
    quint32 m_apiVersion = 0;
    quint32 m_deviceCount = 0;
    std::atomic<bool> m_portOpen = false;
    std::shared_ptr<CommPort> m_port; // null: no valid port handle
    std::unique_ptr<DialingView> m_ownedDialingWindow;
    QPointer<QThread> m_watcher;
    QList<QPointer<QThread>> m_retiredWatchers;
    std::function<void(int ms)> m_wait;
};
