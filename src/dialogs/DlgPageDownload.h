#pragma once
// What the dialogs that fetch one page share: the document operations they call, the gate that
// hands worker records to a dialog one at a time, and the receiving end of a page download.
//
// Records reach a dialog by queued delivery on the user-interface thread. A dialog handles them one
// at a time: a record that arrives while the dialog handles another one, shows a message box or runs
// a modal dialog waits and is handled after it, once, in the order of arrival. A dialog waits for
// one download (its worker id) or one search (its number) and drops every other record; the files
// of a page download nobody waits for any more are deleted, also after the dialog has gone.

#include "framework/DataExchange.h"
#include "platform/MessageTarget.h"
#include "portfolio/ItemPos.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class CWPapierDoc;
struct DialogLinkState;
class QObject;
struct DownloadStatus;
struct ServerSettings;

// The status text of a page dialog (a read-only multi-line edit), only ever loaded: CR LF shows as
// one line break.
void DDX_StatusText(DataExchange& dx, unsigned id, const std::string& value);

// Sets `status` to the page dialogs' text for the record, when there is one (DownloadStatusText).
void SetPageStatusText(std::string& status, const DownloadStatus& record);

// The name a dialog's title shows: the template's, or the item's for its own definition.
const std::string& ShownConfigurationName(const std::string& templateName, const std::string& itemName);

// The document operations of the page download dialog, the wizard and the editor.
class PageDownloadDocument {
public:
    virtual ~PageDownloadDocument() = default;
    // Starts the download of `url` ([&name] and [&symbol] put in) reporting to `target`
    // (WMU_PAGE_DOWNLOAD_STATUS); the worker's id, which marks every record of the download.
    virtual std::uint32_t StartPageDownload(std::string_view name, std::string_view symbol, std::string_view url,
                                            ReceiverId target) = 0;
    // Asks every running download to stop (the global abort flag).
    virtual void AbortDownloads() = 0;
    // Clears the item's download flag (nothing for no item), then the abort flag when no item is
    // downloading.
    virtual void ResetDownloadFlagAt(ItemPos pos) = 0;
};

// The server configuration editor's further operations.
class ServerPropDocument : public PageDownloadDocument {
public:
    // Starts the test download of the item at `pos` with `settings`; its result goes to the main
    // window. The worker's id (0: nothing started).
    virtual std::uint32_t StartTestDownload(ItemPos pos, const ServerSettings& settings) = 0;
    // Stores `settings` as the item's own configuration at once. False when there is no item.
    virtual bool SetItemServerSettings(ItemPos pos, const ServerSettings& settings) = 0;
};

// The operations on the portfolio document.
class WPapierDocOperations final : public ServerPropDocument {
public:
    explicit WPapierDocOperations(CWPapierDoc& doc) : m_doc(doc) {}
    std::uint32_t StartPageDownload(std::string_view name, std::string_view symbol, std::string_view url,
                                    ReceiverId target) override;
    void AbortDownloads() override;
    void ResetDownloadFlagAt(ItemPos pos) override;
    std::uint32_t StartTestDownload(ItemPos pos, const ServerSettings& settings) override;
    bool SetItemServerSettings(ItemPos pos, const ServerSettings& settings) override;

private:
    CWPapierDoc& m_doc;
};

// A dialog's link to the workers that report to it: the id they post to, and the gate through which
// their records reach the dialog one at a time. While the handler runs, or while a Hold lives (a
// message box or a modal dialog of the same dialog is open), arriving records wait; they are
// handled once the last of these has ended, in the order they came.
//
// Page download records (WMU_PAGE_DOWNLOAD_STATUS) are filtered as they are handled: only those of
// the awaited download reach the handler; the files of any other success are deleted. When the
// dialog goes while its download runs, the link stays until the download reports its end and
// deletes the files of its success.
class DialogLink {
public:
    // Gets every message the link hands on (a page download record of the awaited download, or
    // any other message); it may take the record out of the message.
    using Handler = std::function<void(Message&)>;

    explicit DialogLink(Handler handler);
    ~DialogLink();
    DialogLink(const DialogLink&) = delete;
    DialogLink& operator=(const DialogLink&) = delete;

    // The id workers post to (stands for the dialog's window handle).
    ReceiverId id() const;

    // Waits for the page download of worker `workerId` from now on.
    void expectDownload(std::uint32_t workerId);
    // Waits for no page download any more.
    void forgetDownload();
    // A download is awaited and has not reported its end (8, 12 or 13) yet.
    bool downloadAwaited() const;

    // Holds records while it lives.
    class Hold {
    public:
        explicit Hold(DialogLink& link);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        std::shared_ptr<DialogLinkState> m_state;
    };

    // Runs `run` (a message box, a modal dialog) with records held until it has returned.
    template <class Run> decltype(auto) holding(Run&& run) {
        Hold hold(*this);
        return run();
    }

    // Records waiting for the gate.
    std::size_t waiting() const;

private:
    std::shared_ptr<DialogLinkState> m_state;
};
