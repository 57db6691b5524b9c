#include "platform/gtk_app_window.h"

#include <X11/Xlib.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/window_presenter.h"
#include "platform/x11_cursor_source.h"
#include "platform/xrandr_display_settings.h"

namespace tavelo::platform {

void initializeThreads() {
    // The scene's frame thread reads the pointer on a connection of its own while the GUI thread uses
    // the toolkit's.
    XInitThreads();
}

bool initializeGui(int& argc, char**& argv) {
    // The display modes and the pointer reader speak X11, and frames map one to one onto pixels.
    setenv("GDK_BACKEND", "x11", 1);
    setenv("GDK_SCALE", "1", 1);
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(&argc, &argv)) {
        return false;
    }
    // The toolkit takes the user's locale; numbers printed for the screen keep a decimal point.
    setlocale(LC_NUMERIC, "C");
    return true;
}

namespace {

class GtkAppWindow final : public GuiWindow, public ISceneWindow {
public:
    GtkAppWindow(const char* title, const char* windowClass, int width, int height, const MenuTemplate& menu,
                 const std::vector<AcceleratorTemplate>& accelerators, Procedure procedure)
        : width_(width),
          height_(height),
          procedure_(std::move(procedure)),
          presenter_(std::make_shared<WindowPresenter>(uint32_t(width), uint32_t(height))),
          origin_(std::make_shared<ClientOrigin>()) {
        gdk_set_program_class(windowClass);
        displayName_ = gdk_display_get_name(gdk_display_get_default());
        settings_ = createXrandrDisplaySettings();

        window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_title(GTK_WINDOW(window_), title);
        gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
        box_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
        gtk_container_add(GTK_CONTAINER(window_), box_);
        buildMenu(menu);
        gtk_box_pack_start(GTK_BOX(box_), menuBar_, FALSE, FALSE, 0);
        overlay_ = gtk_overlay_new();
        gtk_box_pack_start(GTK_BOX(box_), overlay_, FALSE, FALSE, 0);
        area_ = gtk_drawing_area_new();
        gtk_widget_set_size_request(area_, width, height);
        gtk_widget_set_app_paintable(area_, TRUE);
        gtk_widget_add_events(area_, GDK_BUTTON_PRESS_MASK | GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK);
        gtk_container_add(GTK_CONTAINER(overlay_), area_);
        gtk_widget_show_all(box_);
        // The menu bar's visibility is the program's alone.
        gtk_widget_set_no_show_all(menuBar_, TRUE);
        buildAccelerators(accelerators);

        g_signal_connect(window_, "delete-event", G_CALLBACK(onDelete), this);
        g_signal_connect(window_, "destroy", G_CALLBACK(onDestroy), this);
        g_signal_connect(window_, "focus-in-event", G_CALLBACK(onFocusIn), this);
        g_signal_connect(window_, "focus-out-event", G_CALLBACK(onFocusOut), this);
        g_signal_connect(window_, "map-event", G_CALLBACK(onMap), this);
        g_signal_connect(window_, "window-state-event", G_CALLBACK(onWindowState), this);
        g_signal_connect_after(window_, "configure-event", G_CALLBACK(onConfigure), this);
        g_signal_connect(area_, "draw", G_CALLBACK(onDraw), this);
        g_signal_connect(area_, "button-press-event", G_CALLBACK(onButtonPress), this);
        g_signal_connect(area_, "motion-notify-event", G_CALLBACK(onMotion), this);
        g_signal_connect(area_, "enter-notify-event", G_CALLBACK(onEnter), this);
        g_signal_connect_after(area_, "size-allocate", G_CALLBACK(onSizeAllocate), this);

        surface_ = cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(presenter_->shownPixels())),
            CAIRO_FORMAT_RGB24, width, height, width * 4);
        presenter_->attach(area_);

        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            signalSources_.push_back(g_unix_signal_add(signal, &GtkAppWindow::onSignal, this));
        }
    }

    ~GtkAppWindow() override {
        for (guint source : signalSources_) {
            g_source_remove(source);
        }
        if (closeSource_ != 0) {
            g_source_remove(closeSource_);
        }
        if (!destroyed_) {
            gtk_widget_destroy(window_);
        }
        presenter_->attach(nullptr);
        cairo_surface_destroy(surface_);
    }

protected:
    // GuiWindow
    bool createImpl() override {
        gtk_widget_realize(window_);
        gtk_widget_realize(area_);
        setWindowFrameHints();
        updateOrigin();
        if (dispatch({MessageKind::Create}) == -1) {
            if (!destroyed_) {
                gtk_widget_destroy(window_);
            }
            return false;
        }
        return !destroyed_;
    }

    void showImpl() override {
        if (!destroyed_) {
            gtk_widget_show(window_);
        }
    }

    void runImpl() override {
        if (closeRequested_) {
            closeImpl();
        }
        if (!quitPosted_ && !destroyed_) {
            gtk_main();
        }
    }

    std::shared_ptr<IDisplaySettings> displaySettingsImpl() override { return settings_; }

    // IAppWindow
    void enableMenuItemImpl(int command, bool enabled) override {
        for (const auto& item : items_) {
            if (item->command == command && !destroyed_) {
                gtk_widget_set_sensitive(item->widget, enabled);
            }
        }
    }

    void checkMenuRadioItemImpl(int command) override {
        radioCommand_ = command;
        showRadioMarks();
    }

    bool hasMenuImpl() const override { return menuAttached_; }

    void setMenuImpl(bool attached) override {
        menuAttached_ = attached;
        if (!destroyed_) {
            gtk_widget_set_visible(menuBar_, attached);
        }
    }

    void setStyleImpl(WindowStyle style) override {
        style_ = style;
        if (destroyed_) {
            return;
        }
        // Captioned, the bar sits above the client area; as a popup it is laid over the top of the client
        // area when shown, so the scene neither moves nor loses rows.
        GtkWidget* wanted = style == WindowStyle::Captioned ? box_ : overlay_;
        if (gtk_widget_get_parent(menuBar_) != wanted) {
            g_object_ref(menuBar_);
            gtk_container_remove(GTK_CONTAINER(gtk_widget_get_parent(menuBar_)), menuBar_);
            if (wanted == box_) {
                gtk_box_pack_start(GTK_BOX(box_), menuBar_, FALSE, FALSE, 0);
                gtk_box_reorder_child(GTK_BOX(box_), menuBar_, 0);
            } else {
                gtk_widget_set_valign(menuBar_, GTK_ALIGN_START);
                gtk_overlay_add_overlay(GTK_OVERLAY(overlay_), menuBar_);
            }
            g_object_unref(menuBar_);
        }
        gtk_window_set_decorated(GTK_WINDOW(window_), style == WindowStyle::Captioned);
        if (style == WindowStyle::Captioned) {
            setWindowFrameHints();
        }
        if (style == WindowStyle::VisiblePopup) {
            gtk_widget_show(window_);
        }
        scheduleExposure();
    }

    WindowStyle styleImpl() const override { return style_; }

    void setPositionImpl(int x, int y, bool topmost) override {
        if (destroyed_) {
            return;
        }
        gtk_window_move(GTK_WINDOW(window_), x, y);
        gtk_window_set_keep_above(GTK_WINDOW(window_), topmost);
        if (topmost && gtk_widget_get_realized(window_)) {
            gdk_window_raise(gtk_widget_get_window(window_));
        }
    }

    void minimizeImpl() override {
        if (!destroyed_) {
            gtk_window_iconify(GTK_WINDOW(window_));
        }
    }

    void messageBoxImpl(const char* text, const char* caption) override {
        const char* shownText = text ? text : "";
        const char* shownCaption = caption ? caption : "";
        std::fprintf(stderr, "%s: %s\n", shownCaption, shownText);
        std::fflush(stderr);
        // Owned by the window once it is on screen; a box for a window never shown stands alone.
        GtkWindow* owner = !destroyed_ && gtk_widget_get_mapped(window_) ? GTK_WINDOW(window_) : nullptr;
        GtkWidget* dialog =
            gtk_message_dialog_new(owner, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                   GTK_MESSAGE_WARNING, GTK_BUTTONS_OK, "%s", shownText);
        gtk_window_set_title(GTK_WINDOW(dialog), shownCaption);
        // The toolkit no longer draws the warning mark by itself; the box shows it as the system's does.
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        GtkWidget* mark = gtk_image_new_from_icon_name("dialog-warning", GTK_ICON_SIZE_DIALOG);
        gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(dialog), mark);
        G_GNUC_END_IGNORE_DEPRECATIONS
        gtk_widget_show(mark);
        if (owner) {
            // Above the full screen, which stays above everything else.
            gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
        } else {
            gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
        }
        GtkWidget* outer = dialog_;
        dialog_ = dialog;
        ++dialogDepth_;
        gtk_dialog_run(GTK_DIALOG(dialog));
        --dialogDepth_;
        dialog_ = outer;
        gtk_widget_destroy(dialog);
        if (closeRequested_ && dialogDepth_ == 0 && closeSource_ == 0) {
            closeSource_ = g_idle_add(&GtkAppWindow::onCloseIdle, this);
        }
    }

    void closeImpl() override {
        if (!destroyed_) {
            gtk_window_close(GTK_WINDOW(window_));
        }
    }

    long defaultProcedureImpl(const WindowMessage& message) override {
        if (message.kind == MessageKind::Close && !destroyed_) {
            gtk_widget_destroy(window_);
        }
        // Exposures are served from the presented image whatever the program does with them.
        return 0;
    }

    void postQuitMessageImpl() override {
        quitPosted_ = true;
        if (gtk_main_level() > 0) {
            gtk_main_quit();
        }
    }

    ISceneWindow& sceneWindowImpl() override { return *this; }

    // ISceneWindow
    std::shared_ptr<IPresenter> presenterImpl() override { return presenter_; }
    Rect clientRectImpl() const override { return Rect{0, 0, width_, height_}; }
    std::shared_ptr<ICursorSource> cursorSourceImpl() override {
        return std::make_shared<X11CursorSource>(displayName_, origin_);
    }

private:
    struct MenuItem {
        GtkAppWindow* window = nullptr;
        int command = 0;
        GtkWidget* widget = nullptr;
        bool radio = false;
        gulong handler = 0;
    };

    struct AcceleratorBinding {
        GtkAppWindow* window = nullptr;
        int command = 0;
    };

    long dispatch(const WindowMessage& message) { return procedure_(*this, message); }

    void buildMenu(const MenuTemplate& menu) {
        menuBar_ = gtk_menu_bar_new();
        // Laid over the scene in full screen, the bar needs a background of its own.
        GtkCssProvider* css = gtk_css_provider_new();
        gtk_css_provider_load_from_data(css, "menubar { background-color: @theme_bg_color; }", -1, nullptr);
        gtk_style_context_add_provider(gtk_widget_get_style_context(menuBar_), GTK_STYLE_PROVIDER(css),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        g_object_unref(css);
        for (const MenuTemplate::Popup& popup : menu.popups) {
            GtkWidget* top = gtk_menu_item_new_with_mnemonic(popup.label);
            GtkWidget* submenu = gtk_menu_new();
            gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), submenu);
            for (const MenuItemTemplate& entry : popup.items) {
                GtkWidget* item = entry.radio ? gtk_check_menu_item_new() : gtk_menu_item_new();
                if (entry.radio) {
                    gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(item), TRUE);
                }
                // The label with its mnemonic, and the accelerator's hint at the right edge.
                GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 24);
                GtkWidget* label = gtk_label_new_with_mnemonic(entry.label);
                gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
                gtk_box_pack_start(GTK_BOX(row), label, TRUE, TRUE, 0);
                if (entry.hint) {
                    GtkWidget* hint = gtk_label_new(entry.hint);
                    gtk_style_context_add_class(gtk_widget_get_style_context(hint), "accelerator");
                    gtk_box_pack_end(GTK_BOX(row), hint, FALSE, FALSE, 0);
                }
                gtk_container_add(GTK_CONTAINER(item), row);
                gtk_widget_set_sensitive(item, !entry.greyed);
                gtk_menu_shell_append(GTK_MENU_SHELL(submenu), item);
                items_.push_back(
                    std::make_unique<MenuItem>(MenuItem{this, entry.command, item, entry.radio, 0}));
                MenuItem& stored = *items_.back();
                stored.handler = g_signal_connect(item, "activate", G_CALLBACK(onMenuActivate), &stored);
            }
            gtk_menu_shell_append(GTK_MENU_SHELL(menuBar_), top);
        }
    }

    void buildAccelerators(const std::vector<AcceleratorTemplate>& accelerators) {
        // Bound on the window, not on the items: an item's accelerator stops working while the menu bar
        // is detached.
        GtkAccelGroup* group = gtk_accel_group_new();
        for (const AcceleratorTemplate& accelerator : accelerators) {
            guint key = GDK_KEY_q;
            switch (accelerator.key) {
                case AcceleratorTemplate::Key::Q:
                    key = GDK_KEY_q;
                    break;
                case AcceleratorTemplate::Key::Return:
                    key = GDK_KEY_Return;
                    break;
                case AcceleratorTemplate::Key::KeypadEnter:
                    key = GDK_KEY_KP_Enter;
                    break;
            }
            unsigned modifiers = 0;
            if (accelerator.modifiers & AcceleratorTemplate::Control) {
                modifiers |= GDK_CONTROL_MASK;
            }
            if (accelerator.modifiers & AcceleratorTemplate::Alt) {
                modifiers |= GDK_MOD1_MASK;
            }
            bindings_.push_back(
                std::make_unique<AcceleratorBinding>(AcceleratorBinding{this, accelerator.command}));
            GClosure* closure = g_cclosure_new(G_CALLBACK(onAccelerator), bindings_.back().get(), nullptr);
            gtk_accel_group_connect(group, key, GdkModifierType(modifiers), GtkAccelFlags(0), closure);
        }
        gtk_window_add_accel_group(GTK_WINDOW(window_), group);
        g_object_unref(group);
    }

    void showRadioMarks() {
        if (destroyed_) {
            return;
        }
        // Setting a mark emits "activate", which must not send the command again.
        for (const auto& item : items_) {
            if (item->radio) {
                g_signal_handler_block(item->widget, item->handler);
                gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item->widget),
                                               item->command == radioCommand_);
                g_signal_handler_unblock(item->widget, item->handler);
            }
        }
    }

    // A window of fixed size with a caption, a system menu and a minimise box, and no maximise box: not
    // being resizable leaves the window manager to guess, so it is told. Decorating a window anew offers
    // every box, so this follows each return to the captioned style.
    void setWindowFrameHints() {
        GdkWindow* window = gtk_widget_get_window(window_);
        if (!window) {
            return;
        }
        gdk_window_set_functions(window, GdkWMFunction(GDK_FUNC_MOVE | GDK_FUNC_MINIMIZE | GDK_FUNC_CLOSE));
        gdk_window_set_decorations(window, GdkWMDecoration(GDK_DECOR_BORDER | GDK_DECOR_TITLE |
                                                           GDK_DECOR_MENU | GDK_DECOR_MINIMIZE));
    }

    // True when the client area has moved on the screen since the last call.
    bool updateOrigin() {
        if (destroyed_ || !gtk_widget_get_realized(area_)) {
            return false;
        }
        int x = 0;
        int y = 0;
        gdk_window_get_origin(gtk_widget_get_window(area_), &x, &y);
        const bool movedAcross = origin_->x.exchange(x, std::memory_order_relaxed) != x;
        const bool movedDown = origin_->y.exchange(y, std::memory_order_relaxed) != y;
        return movedAcross || movedDown;
    }

    // A pointer left still while the window moves under it (a mode switch) sends no motion, and the
    // crossing event may have been taken at the old place: once the client area is at its new place, the
    // pointer's real position there counts as a move.
    void followPointer() {
        if (!updateOrigin() || !gtk_widget_get_mapped(window_)) {
            return;
        }
        GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(area_));
        GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
        if (!pointer) {
            return;
        }
        int x = 0;
        int y = 0;
        gdk_window_get_device_position(gtk_widget_get_window(area_), pointer, &x, &y, nullptr);
        dispatch({MessageKind::MouseMove, 0, x, y});
    }

    // The system showed the window anew: the scene redraws everything once.
    void scheduleExposure() {
        if (exposureSource_ == 0 && !destroyed_) {
            exposureSource_ = g_idle_add(&GtkAppWindow::onExposureIdle, this);
        }
    }

    void requestClose() {
        closeRequested_ = true;
        if (dialog_) {
            // The box ends first; the window closes once every box has returned.
            gtk_dialog_response(GTK_DIALOG(dialog_), GTK_RESPONSE_DELETE_EVENT);
        } else if (gtk_main_level() > 0) {
            closeImpl();
        }
    }

    static gboolean onSignal(gpointer data) {
        static_cast<GtkAppWindow*>(data)->requestClose();
        return G_SOURCE_CONTINUE;
    }

    static gboolean onCloseIdle(gpointer data) {
        auto* self = static_cast<GtkAppWindow*>(data);
        self->closeSource_ = 0;
        self->closeImpl();
        return G_SOURCE_REMOVE;
    }

    static gboolean onExposureIdle(gpointer data) {
        auto* self = static_cast<GtkAppWindow*>(data);
        self->exposureSource_ = 0;
        if (!self->destroyed_) {
            self->dispatch({MessageKind::Paint});
        }
        return G_SOURCE_REMOVE;
    }

    static void onMenuActivate(GtkMenuItem*, gpointer data) {
        auto* item = static_cast<MenuItem*>(data);
        GtkAppWindow* self = item->window;
        // The toolkit has just flipped the item's mark; the marks are the program's to set.
        if (item->radio) {
            self->showRadioMarks();
        }
        self->dispatch({MessageKind::Command, item->command});
    }

    static gboolean onAccelerator(GtkAccelGroup*, GObject*, guint, GdkModifierType, gpointer data) {
        auto* binding = static_cast<AcceleratorBinding*>(data);
        binding->window->dispatch({MessageKind::Command, binding->command});
        return TRUE;
    }

    static gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
        auto* self = static_cast<GtkAppWindow*>(data);
        self->dispatch({MessageKind::Close});
        return TRUE;
    }

    static void onDestroy(GtkWidget*, gpointer data) {
        auto* self = static_cast<GtkAppWindow*>(data);
        if (self->destroyed_) {
            return;
        }
        if (self->exposureSource_ != 0) {
            g_source_remove(self->exposureSource_);
            self->exposureSource_ = 0;
        }
        self->dispatch({MessageKind::Destroy});
        self->destroyed_ = true;
        self->origin_->alive.store(false, std::memory_order_release);
        self->presenter_->attach(nullptr);
    }

    static gboolean onFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
        auto* self = static_cast<GtkAppWindow*>(data);
        if (self->dialogDepth_ == 0 && !self->destroyed_) {
            self->dispatch({MessageKind::SetFocus});
        }
        return FALSE;
    }

    static gboolean onFocusOut(GtkWidget*, GdkEventFocus*, gpointer data) {
        auto* self = static_cast<GtkAppWindow*>(data);
        // The program's own box takes the focus from the window, but the program stays in front: that
        // is no loss of focus to another program.
        if (self->dialogDepth_ == 0 && !self->destroyed_) {
            self->dispatch({MessageKind::KillFocus});
        }
        return FALSE;
    }

    static gboolean onMap(GtkWidget*, GdkEvent*, gpointer data) {
        auto* self = static_cast<GtkAppWindow*>(data);
        self->followPointer();
        self->scheduleExposure();
        return FALSE;
    }

    static gboolean onWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
        auto* self = static_cast<GtkAppWindow*>(data);
        if ((event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) &&
            !(event->new_window_state & GDK_WINDOW_STATE_ICONIFIED)) {
            self->scheduleExposure();
        }
        return FALSE;
    }

    static gboolean onConfigure(GtkWidget*, GdkEvent*, gpointer data) {
        static_cast<GtkAppWindow*>(data)->followPointer();
        return FALSE;
    }

    static void onSizeAllocate(GtkWidget*, GdkRectangle*, gpointer data) {
        static_cast<GtkAppWindow*>(data)->followPointer();
    }

    static gboolean onDraw(GtkWidget*, cairo_t* cr, gpointer data) {
        auto* self = static_cast<GtkAppWindow*>(data);
        // Take what the workers presented since the last redraw; then paint the image as it stands.
        self->presenter_->takePresented();
        cairo_surface_mark_dirty(self->surface_);
        cairo_set_source_surface(cr, self->surface_, 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        return TRUE;
    }

    static gboolean onButtonPress(GtkWidget*, GdkEventButton* event, gpointer data) {
        auto* self = static_cast<GtkAppWindow*>(data);
        // Each press counts once: the double-click event the toolkit adds is not another press.
        if (event->button == 1 && event->type == GDK_BUTTON_PRESS) {
            self->dispatch({MessageKind::LeftButtonDown, 0, int(event->x), int(event->y)});
        }
        return TRUE;
    }

    static gboolean onMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
        auto* self = static_cast<GtkAppWindow*>(data);
        self->dispatch({MessageKind::MouseMove, 0, int(event->x), int(event->y)});
        return FALSE;
    }

    // A pointer that jumps into the client area (from the menu bar laid over it) moves there.
    static gboolean onEnter(GtkWidget*, GdkEventCrossing* event, gpointer data) {
        auto* self = static_cast<GtkAppWindow*>(data);
        self->dispatch({MessageKind::MouseMove, 0, int(event->x), int(event->y)});
        return FALSE;
    }

    const int width_;
    const int height_;
    Procedure procedure_;
    std::shared_ptr<WindowPresenter> presenter_;
    std::shared_ptr<ClientOrigin> origin_;
    std::shared_ptr<IDisplaySettings> settings_;
    std::string displayName_;
    GtkWidget* window_ = nullptr;
    GtkWidget* box_ = nullptr;
    GtkWidget* overlay_ = nullptr;
    GtkWidget* area_ = nullptr;
    GtkWidget* menuBar_ = nullptr;
    cairo_surface_t* surface_ = nullptr;
    std::vector<std::unique_ptr<MenuItem>> items_;
    std::vector<std::unique_ptr<AcceleratorBinding>> bindings_;
    std::vector<guint> signalSources_;
    int radioCommand_ = 0;
    bool menuAttached_ = true;
    WindowStyle style_ = WindowStyle::Captioned;
    GtkWidget* dialog_ = nullptr;
    int dialogDepth_ = 0;
    guint closeSource_ = 0;
    guint exposureSource_ = 0;
    bool closeRequested_ = false;
    bool quitPosted_ = false;
    bool destroyed_ = false;
};

}  // namespace

std::unique_ptr<GuiWindow> createGuiWindow(const char* title, const char* windowClass, int width, int height,
                                           const MenuTemplate& menu,
                                           const std::vector<AcceleratorTemplate>& accelerators,
                                           GuiWindow::Procedure procedure) {
    return std::make_unique<GtkAppWindow>(title, windowClass, width, height, menu, accelerators,
                                          std::move(procedure));
}

}  // namespace tavelo::platform
