// File choosers and message boxes over GTK 3, run modally on the interface thread.
#include "app/platform/gtk_dialogs.h"

#include <gtk/gtk.h>

#include <ranges>
#include <string>
#include <string_view>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace tessalume {
namespace {

// GTK starts once per process; a start that failed (no display) is not retried.
bool GtkReady()
{
    static const bool ready = [] {
        // Number formatting and parsing must never follow the user's locale.
        gtk_disable_setlocale();
        // The window is an X11 one (through XWayland on a Wayland desktop): dialogs on the same
        // display can be attached to it, and kept above it.
        gdk_set_allowed_backends("x11,*");
        return gtk_init_check(nullptr, nullptr) != FALSE;
    }();
    return ready;
}

void (*whileDialogOpen)() = nullptr;
DialogOwner dialogOwner;

// A window manager keeps a transient dialog above its owner and moves it along; centred on the
// owner, it opens where the user is looking rather than wherever the manager chooses.
void AttachToOwner(GtkWidget* dialog)
{
    GtkWindow* window = GTK_WINDOW(dialog);
    gtk_widget_realize(dialog);
#ifdef GDK_WINDOWING_X11
    GdkDisplay* display = gtk_widget_get_display(dialog);
    if (dialogOwner.x11Window != 0 && GDK_IS_X11_DISPLAY(display)) {
        if (GdkWindow* owner = gdk_x11_window_foreign_new_for_display(display, dialogOwner.x11Window)) {
            gdk_window_set_transient_for(gtk_widget_get_window(dialog), owner);
            g_object_unref(owner);
        }
    }
#endif
    if (dialogOwner.width <= 0) return;
    int width = 0, height = 0;
    gtk_window_get_size(window, &width, &height);  // the size it will open at, once realized
    gtk_window_move(window, dialogOwner.x + (dialogOwner.width - width) / 2,
                    dialogOwner.y + (dialogOwner.height - height) / 2);
}

// Runs the dialog modally; whileDialogOpen is called every few milliseconds meanwhile, below
// the dialog's own drawing and events: a call that takes longer than its period (a long refresh
// tick) finds the next one due at once, and would otherwise keep the dialog from ever drawing.
gint RunDialog(GtkWidget* dialog)
{
    if (!gtk_widget_get_visible(dialog)) AttachToOwner(dialog);
    constexpr guint callPeriodMilliseconds = 10;
    const guint source = whileDialogOpen == nullptr ? 0 : g_timeout_add_full(G_PRIORITY_LOW, callPeriodMilliseconds, [](gpointer) {
        whileDialogOpen();
        return gboolean(G_SOURCE_CONTINUE);
    }, nullptr, nullptr);
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    if (source != 0) g_source_remove(source);
    return response;
}

// GTK finishes unmapping a destroyed dialog only when its events are handled: pump them so
// that the dialog really closes before the caller goes on. The round trip makes sure the
// display has taken the dialog away before the window is drawn again over its place: a frame
// that came first would be uncovered as blank.
void DestroyAndSettle(GtkWidget* dialog)
{
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();
    gdk_display_sync(gdk_display_get_default());
}

std::optional<std::string> RunFileChooser(GtkFileChooserAction action, const char* title,
                                          const char* acceptLabel, const FileDialogRequest* request,
                                          const std::string& startFolder)
{
    if (!GtkReady()) return {};
    GtkWidget* dialog = gtk_file_chooser_dialog_new(title, nullptr, action, "_Cancel",
                                                    GTK_RESPONSE_CANCEL, acceptLabel,
                                                    GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    // Without a start folder GTK may open "Recent", where nothing can be chosen; the home
    // folder is the platform's choice then.
    gtk_file_chooser_set_current_folder(chooser,
                                        startFolder.empty() ? g_get_home_dir() : startFolder.c_str());
    if (request) {
        for (const FileType& type : request->types) {
            GtkFileFilter* filter = gtk_file_filter_new();
            gtk_file_filter_set_name(filter, type.label);
            for (const auto pattern : std::views::split(std::string_view(type.pattern), ';'))
                gtk_file_filter_add_pattern(filter, std::string(pattern.begin(), pattern.end()).c_str());
            gtk_file_chooser_add_filter(chooser, filter);
        }
        if (action == GTK_FILE_CHOOSER_ACTION_SAVE) {
            gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
            if (!request->suggestedName.empty())
                gtk_file_chooser_set_current_name(chooser, request->suggestedName.c_str());
        }
    }
    std::optional<std::string> path;
    if (RunDialog(dialog) == GTK_RESPONSE_ACCEPT) {
        if (gchar* name = gtk_file_chooser_get_filename(chooser)) {
            path = name;
            g_free(name);
        }
    }
    DestroyAndSettle(dialog);
    return path;
}

}  // namespace

void WhileGtkDialogOpen(void (*call)()) { whileDialogOpen = call; }
void SetGtkDialogOwner(const DialogOwner& owner) { dialogOwner = owner; }

std::optional<std::string> ChooseSaveFileWithGtk(const FileDialogRequest& request)
{
    return RunFileChooser(GTK_FILE_CHOOSER_ACTION_SAVE, "Save As", "_Save", &request, request.startFolder);
}

std::optional<std::string> ChooseOpenFileWithGtk(const FileDialogRequest& request)
{
    return RunFileChooser(GTK_FILE_CHOOSER_ACTION_OPEN, "Open", "_Open", &request, request.startFolder);
}

std::optional<std::string> ChooseFolderWithGtk(const std::string& startFolder)
{
    return RunFileChooser(GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "Select Folder", "_Select", nullptr,
                          startFolder);
}

bool ShowWarningWithGtk(const char* text, const char* caption)
{
    if (!GtkReady()) return false;
    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_OK,
                                            "%s", text);
    gtk_window_set_title(GTK_WINDOW(box), caption);
    RunDialog(box);
    DestroyAndSettle(box);
    return true;
}

std::optional<bool> AskYesNoWithGtk(const char* text, const char* caption)
{
    if (!GtkReady()) return {};
    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
                                            "%s", text);
    gtk_window_set_title(GTK_WINDOW(box), caption);
    gtk_dialog_add_button(GTK_DIALOG(box), "_No", GTK_RESPONSE_NO);
    GtkWidget* yes = gtk_dialog_add_button(GTK_DIALOG(box), "_Yes", GTK_RESPONSE_YES);
    gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_YES);
    gtk_widget_grab_focus(yes);
    // Where no window manager hands the new window the keyboard, or the focus was left nowhere
    // by a dialog closed before, the question takes it itself: Return must reach Yes.
    AttachToOwner(box);
    gtk_widget_show_all(box);
    gtk_window_present(GTK_WINDOW(box));
    const bool answer = RunDialog(box) == GTK_RESPONSE_YES;
    DestroyAndSettle(box);
    return answer;
}

}  // namespace tessalume
