// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/gio/GioShareMounter.h"

#include <cerrno>
#include <string_view>

#include <gio/gio.h>
#include <string.h>

#include <string>

namespace halvo::platform {

// Every GIO call of ours runs with a private main context as the thread's default, and a
// synchronous call waits by iterating only that context. The callbacks of our mounts (and the
// mount operation's password questions) are dispatched there, and nothing else is: the program's
// own events, which Qt dispatches from the global default context, stay queued, so no handler
// runs again while a connect holds the dialog. The volume monitor is first fetched under that
// context too, so its mount list is brought up to date whenever we iterate it.
struct GioShareMounter::State {
    std::chrono::milliseconds timeout;
    GMainContext* context = nullptr;
    GVolumeMonitor* monitor = nullptr;
    GDBusConnection* bus = nullptr;  // the session bus GVfs talks over, when it is in use
};

namespace {

// How long a finished mount or unmount may take to show in the volume monitor's list.
constexpr std::chrono::milliseconds LIST_SETTLE = std::chrono::seconds(5);
// How long a cancelled operation may take to report back after the time allowed ran out.
constexpr std::chrono::milliseconds CANCEL_GRACE = std::chrono::seconds(2);
// A file closed through the mount's folder is released by the FUSE bridge a moment later, and
// until then GVfs counts the closing program as holding the share: an unmount refused as busy
// is tried again for this long, in these steps, before the files count as open.
constexpr std::chrono::milliseconds BUSY_GRACE = std::chrono::seconds(3);
constexpr std::chrono::milliseconds BUSY_STEP = std::chrono::milliseconds(200);

class ContextScope {
  public:
    explicit ContextScope(GMainContext* pushed) : context(pushed) {
        g_main_context_push_thread_default(context);
    }
    ~ContextScope() { g_main_context_pop_thread_default(context); }
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;

  private:
    GMainContext* context;
};

void Wipe(std::string& secret) {
    if (!secret.empty()) {
        explicit_bzero(secret.data(), secret.size());
    }
    secret.clear();
}

// One asynchronous mount or unmount. The waiter and the completion callback each hold a
// reference: a waiter that gives up leaves the rest to the callback.
struct Pending {
    int refs = 2;
    bool done = false;
    bool abandoned = false;
    bool busy = false;  // the share was held by a program when asked to unmount
    int asks = 0;
    GError* error = nullptr;
    std::string user;
    std::string domain;
    std::string password;

    ~Pending() {
        Wipe(password);
        if (error != nullptr) {
            g_error_free(error);
        }
    }
    void Release() {
        if (--refs == 0) {
            delete this;
        }
    }
    // The waiter stops waiting: nothing of the credentials is kept for a late question.
    void Abandon() {
        abandoned = true;
        Wipe(password);
        Release();
    }
};

void WipeOperationPassword(GMountOperation* operation) {
    // The reply has been sent by now; the operation's own copy is not needed any more.
    if (const char* copy = g_mount_operation_get_password(operation); copy != nullptr) {
        explicit_bzero(const_cast<char*>(copy), strlen(copy));
    }
    g_mount_operation_set_password(operation, nullptr);
}

void OnAskPassword(GMountOperation* operation, gchar* /*message*/, gchar* defaultUser,
                   gchar* defaultDomain, GAskPasswordFlags flags, gpointer data) {
    auto* pending = static_cast<Pending*>(data);
    // A second question means the first answer was refused.
    if (pending->abandoned || ++pending->asks > 1) {
        g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    if ((flags & G_ASK_PASSWORD_NEED_USERNAME) != 0) {
        g_mount_operation_set_username(operation,
                                       pending->user.empty() ? defaultUser : pending->user.c_str());
    }
    if ((flags & G_ASK_PASSWORD_NEED_DOMAIN) != 0) {
        g_mount_operation_set_domain(
            operation, pending->domain.empty() ? defaultDomain : pending->domain.c_str());
    }
    if ((flags & G_ASK_PASSWORD_NEED_PASSWORD) != 0) {
        g_mount_operation_set_password(operation, pending->password.c_str());
    }
    if ((flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED) != 0) {
        g_mount_operation_set_anonymous(operation, FALSE);
    }
    g_mount_operation_set_password_save(operation, G_PASSWORD_SAVE_NEVER);
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_HANDLED);
    WipeOperationPassword(operation);
    Wipe(pending->password);
}

// Questions we cannot answer for the user (which program to close, whether to trust …): no.
void OnAskQuestion(GMountOperation* operation, gchar*, GStrv, gpointer) {
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
}

void OnShowProcesses(GMountOperation* operation, gchar*, GArray*, GStrv, gpointer data) {
    static_cast<Pending*>(data)->busy = true;
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
}

GMountOperation* NewOperation(Pending* pending) {
    GMountOperation* operation = g_mount_operation_new();
    g_signal_connect(operation, "ask-password", G_CALLBACK(OnAskPassword), pending);
    g_signal_connect(operation, "ask-question", G_CALLBACK(OnAskQuestion), pending);
    g_signal_connect(operation, "show-processes", G_CALLBACK(OnShowProcesses), pending);
    return operation;
}

void OnMounted(GObject* source, GAsyncResult* result, gpointer data) {
    auto* pending = static_cast<Pending*>(data);
    g_file_mount_enclosing_volume_finish(G_FILE(source), result, &pending->error);
    pending->done = true;
    pending->Release();
}

void OnUnmounted(GObject* source, GAsyncResult* result, gpointer data) {
    auto* pending = static_cast<Pending*>(data);
    g_mount_unmount_with_operation_finish(G_MOUNT(source), result, &pending->error);
    pending->done = true;
    pending->Release();
}

gboolean OnDeadline(gpointer data) {
    *static_cast<bool*>(data) = true;
    return G_SOURCE_REMOVE;
}

// Iterates `context` until `finished()` holds or `limit` has passed. True when it held.
template <typename Finished>
bool WaitFor(GMainContext* context, std::chrono::milliseconds limit, Finished finished) {
    bool late = false;
    GSource* deadline = g_timeout_source_new(static_cast<guint>(limit.count()));
    g_source_set_callback(deadline, OnDeadline, &late, nullptr);
    g_source_attach(deadline, context);
    while (!finished() && !late) {
        g_main_context_iteration(context, TRUE);
    }
    g_source_destroy(deadline);
    g_source_unref(deadline);
    return finished();
}

// Waits for an operation under the time allowed; when it runs out, cancels and waits a little
// for the cancellation to come back. False when the operation never finished.
bool AwaitPending(GMainContext* context, std::chrono::milliseconds limit, Pending* pending,
                  GCancellable* cancellable, bool* timedOut) {
    *timedOut = false;
    if (WaitFor(context, limit, [pending] { return pending->done; })) {
        return true;
    }
    *timedOut = true;
    g_cancellable_cancel(cancellable);
    return WaitFor(context, CANCEL_GRACE, [pending] { return pending->done; });
}

// Lets go of an operation once its outcome is read. One we gave up on may still ask for the
// password; its handler, kept alive by the callback's reference, then sees `abandoned` and
// refuses.
void EndPending(Pending* pending, GMountOperation* operation, GCancellable* cancellable,
                bool finished) {
    if (!finished) {
        pending->Abandon();
    } else {
        g_signal_handlers_disconnect_by_data(operation, pending);
        pending->Release();
    }
    g_object_unref(cancellable);
    g_object_unref(operation);
}

void FlushPending(GMainContext* context) {
    while (g_main_context_iteration(context, FALSE)) {
    }
}

bool SessionBusGone(GDBusConnection* bus) {
    return bus != nullptr && g_dbus_connection_is_closed(bus);
}

// The GMount of `share` in the monitor's list, with a reference; null when it is not mounted.
GMount* FindMount(GVolumeMonitor* monitor, const ShareLocation& share) {
    GMount* found = nullptr;
    GList* mounts = g_volume_monitor_get_mounts(monitor);
    for (GList* item = mounts; item != nullptr; item = item->next) {
        GMount* mount = G_MOUNT(item->data);
        GFile* root = g_mount_get_root(mount);
        gchar* uri = g_file_get_uri(root);
        const std::optional<ShareLocation> location =
            MountUriHasUser(uri) ? std::nullopt : ParseMountUri(uri);
        g_free(uri);
        g_object_unref(root);
        if (found == nullptr && location && SameShare(*location, share)) {
            found = G_MOUNT(g_object_ref(mount));
        }
    }
    g_list_free_full(mounts, g_object_unref);
    return found;
}

bool Listed(GioShareMounter::State& state, const ShareLocation& share) {
    if (SessionBusGone(state.bus)) {
        return false;
    }
    GMount* mount = FindMount(state.monitor, share);
    if (mount == nullptr) {
        return false;
    }
    g_object_unref(mount);
    return true;
}

}  // namespace

GioShareMounter::GioShareMounter(std::chrono::milliseconds timeout)
    : state(std::make_unique<State>()) {
    state->timeout = timeout;
    state->context = g_main_context_new();
    const ContextScope scope(state->context);
    state->monitor = g_volume_monitor_get();
    // GVfs in use means a session bus was there when the process started; if it goes away,
    // so do the mounts, even though the monitor's list can no longer say so.
    GVfs* vfs = g_vfs_get_default();
    if (g_strcmp0(G_OBJECT_TYPE_NAME(vfs), "GDaemonVfs") == 0) {
        state->bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    }
}

GioShareMounter::~GioShareMounter() {
    {
        const ContextScope scope(state->context);
        FlushPending(state->context);
        if (state->bus != nullptr) {
            g_object_unref(state->bus);
        }
        g_object_unref(state->monitor);
    }
    g_main_context_unref(state->context);
}

namespace {

// The rest of what a mount can end with. GVfs's SMB backend reports most failures as
// G_IO_ERROR_FAILED with the SMB client library's errno in words ("Failed to mount Windows share:
// Connection refused"), in the session's language, which is this process's too: the words of
// each errno are compared in that language. What matches nothing is a plain failure.
MountOutcome OutcomeOfError(const GError* error) {
    if (error == nullptr || error->domain != G_IO_ERROR) {
        return MountOutcome::Failed;
    }
    switch (error->code) {
        case G_IO_ERROR_HOST_NOT_FOUND:
        case G_IO_ERROR_HOST_UNREACHABLE:
        case G_IO_ERROR_NETWORK_UNREACHABLE:
        case G_IO_ERROR_CONNECTION_REFUSED:
            return MountOutcome::Unreachable;
        case G_IO_ERROR_NOT_FOUND:
            return MountOutcome::NoSuchShare;
        case G_IO_ERROR_NOT_SUPPORTED:
            return MountOutcome::Smb1Only;
        default:
            break;
    }
    struct Cause {
        int number;
        MountOutcome outcome;
    };
    // A server of SMB1 only ends the connection at the client's first offer, which names SMB2
    // and later only.
    constexpr Cause CAUSES[] = {
        {ECONNREFUSED, MountOutcome::Unreachable}, {EHOSTUNREACH, MountOutcome::Unreachable},
        {ENETUNREACH, MountOutcome::Unreachable},  {EHOSTDOWN, MountOutcome::Unreachable},
        {ENOENT, MountOutcome::NoSuchShare},       {ECONNRESET, MountOutcome::Smb1Only},
        {EPROTONOSUPPORT, MountOutcome::Smb1Only}, {ECONNABORTED, MountOutcome::Smb1Only},
    };
    const std::string_view message = error->message != nullptr ? error->message : "";
    for (const Cause& cause : CAUSES) {
        const std::string_view words = g_strerror(cause.number);
        if (!words.empty() && message.size() >= words.size() &&
            message.substr(message.size() - words.size()) == words) {
            return cause.outcome;
        }
    }
    return MountOutcome::Failed;
}

}  // namespace

MountOutcome GioShareMounter::Mount(const ShareLocation& share, const UserName& user,
                                    std::string_view password) {
    const ContextScope scope(state->context);
    auto* pending = new Pending;
    pending->user = user.user;
    pending->domain = user.domain;
    // Straight into the one copy that is wiped; no temporary holds it.
    pending->password.assign(password.data(), password.size());

    const std::string uri = MountUri(share);
    GFile* file = g_file_new_for_uri(uri.c_str());
    GMountOperation* operation = NewOperation(pending);
    GCancellable* cancellable = g_cancellable_new();
    g_file_mount_enclosing_volume(file, G_MOUNT_MOUNT_NONE, operation, cancellable, OnMounted,
                                  pending);
    bool timedOut = false;
    const bool finished =
        AwaitPending(state->context, state->timeout, pending, cancellable, &timedOut);

    MountOutcome outcome = MountOutcome::Failed;
    if (!finished) {
        outcome = MountOutcome::TimedOut;
    } else if (pending->error == nullptr ||
               g_error_matches(pending->error, G_IO_ERROR, G_IO_ERROR_ALREADY_MOUNTED)) {
        outcome = MountOutcome::Mounted;
    } else if (pending->asks > 1 ||
               g_error_matches(pending->error, G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED)) {
        outcome = MountOutcome::Refused;
    } else if (timedOut || g_error_matches(pending->error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT)) {
        outcome = MountOutcome::TimedOut;
    } else {
        outcome = OutcomeOfError(pending->error);
    }
    EndPending(pending, operation, cancellable, finished);
    g_object_unref(file);

    // The letter is only worth giving once the desktop's list shows the mount: the list is what
    // tells later whether the letter still stands.
    if (outcome == MountOutcome::Mounted &&
        !WaitFor(state->context, LIST_SETTLE, [&] { return Listed(*state, share); })) {
        outcome = MountOutcome::Failed;
    }
    return outcome;
}

namespace {

enum class UnmountOutcome { Gone, Busy, Failed };

UnmountOutcome UnmountOnce(GioShareMounter::State& state, const ShareLocation& share) {
    GMount* mount = FindMount(state.monitor, share);
    if (mount == nullptr) {
        return UnmountOutcome::Gone;
    }
    auto* pending = new Pending;
    GMountOperation* operation = NewOperation(pending);
    GCancellable* cancellable = g_cancellable_new();
    // Not forced: a mount that the system will not let go of stays, and the letter with it.
    g_mount_unmount_with_operation(mount, G_MOUNT_UNMOUNT_NONE, operation, cancellable, OnUnmounted,
                                   pending);
    bool timedOut = false;
    const bool finished =
        AwaitPending(state.context, state.timeout, pending, cancellable, &timedOut);
    const bool gone =
        finished && (pending->error == nullptr ||
                     g_error_matches(pending->error, G_IO_ERROR, G_IO_ERROR_NOT_MOUNTED));
    const bool busy = finished && !gone && pending->busy;
    EndPending(pending, operation, cancellable, finished);
    g_object_unref(mount);
    if (busy) {
        return UnmountOutcome::Busy;
    }
    return gone && WaitFor(state.context, LIST_SETTLE, [&] { return !Listed(state, share); })
               ? UnmountOutcome::Gone
               : UnmountOutcome::Failed;
}

}  // namespace

bool GioShareMounter::Unmount(const ShareLocation& share) {
    const ContextScope scope(state->context);
    FlushPending(state->context);
    const auto giveUp = std::chrono::steady_clock::now() + BUSY_GRACE;
    for (;;) {
        const UnmountOutcome outcome = UnmountOnce(*state, share);
        if (outcome != UnmountOutcome::Busy || std::chrono::steady_clock::now() >= giveUp) {
            return outcome == UnmountOutcome::Gone;
        }
        WaitFor(state->context, BUSY_STEP, [] { return false; });
    }
}

std::vector<ShareLocation> GioShareMounter::MountedShares() {
    const ContextScope scope(state->context);
    FlushPending(state->context);
    std::vector<ShareLocation> shares;
    if (SessionBusGone(state->bus)) {
        return shares;
    }
    GList* mounts = g_volume_monitor_get_mounts(state->monitor);
    for (GList* item = mounts; item != nullptr; item = item->next) {
        GFile* root = g_mount_get_root(G_MOUNT(item->data));
        gchar* uri = g_file_get_uri(root);
        // A mount made under a user's name in its URI is another login to the share.
        std::optional<ShareLocation> location =
            MountUriHasUser(uri) ? std::nullopt : ParseMountUri(uri);
        if (location) {
            shares.push_back(std::move(*location));
        }
        g_free(uri);
        g_object_unref(root);
    }
    g_list_free_full(mounts, g_object_unref);
    return shares;
}

std::string GioShareMounter::LocalFolder(const ShareLocation& share) {
    const ContextScope scope(state->context);
    GMount* mount = FindMount(state->monitor, share);
    if (mount == nullptr) {
        return {};
    }
    // The FUSE path is made from the mount's description; nothing on the mount is touched.
    GFile* root = g_mount_get_root(mount);
    gchar* path = g_file_get_path(root);
    std::string folder = path != nullptr ? path : "";
    g_free(path);
    g_object_unref(root);
    g_object_unref(mount);
    return folder;
}

}  // namespace halvo::platform
