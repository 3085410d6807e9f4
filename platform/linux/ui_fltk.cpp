// The installer's window and message box drawn with FLTK on an X display. Built as the window
// module: the installer loads it only once a display has answered.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/linux/display_watch.h"
#include "platform/linux/window_module.h"

namespace platform::x11 {

namespace {

// The form is laid out in twips, 15 to a pixel at 96 dpi; fractions round to the nearest pixel.
constexpr int pixels(int twips) {
    return (twips + 7) / 15;
}

constexpr int kWindowWidth = pixels(4200);   // 280
constexpr int kWindowHeight = pixels(2688);  // 179
constexpr int kLabelLeft = pixels(960);      // 64
constexpr int kLabelTop = pixels(960);       // 64
constexpr int kLabelWidth = pixels(2652);    // 177
constexpr int kLabelHeight = pixels(792);    // 53
// 24 points at 96 dpi; the toolkit sizes fonts in pixels.
constexpr int kLabelFontSize = 24 * 96 / 72;

// Text drawn as it is, from the top left corner of its box like a system static label: the
// toolkit's own label drawing insets it by a few pixels and would take an '@' (as in a path)
// for the start of a symbol name.
class PlainText final : public Fl_Box {
  public:
    PlainText(int x, int y, int w, int h, const char* text) : Fl_Box(x, y, w, h) {
        copy_label(text);
        box(FL_FLAT_BOX);  // opaque, in the window's colour
    }

  protected:
    void draw() override {
        draw_box();
        fl_font(labelfont(), labelsize());
        fl_color(labelcolor());
        fl_draw(label(), x(), y(), w(), h(), align(), nullptr, 0);
    }
};

// The label's size in the bold sans face that stands in for the form's font: 24 points, or less
// where that face is wider than the original and the word would run out of the label.
int fittingFontSize(const char* text) {
    int size = kLabelFontSize;
    for (; size > FL_NORMAL_SIZE; --size) {
        fl_font(FL_HELVETICA_BOLD, size);
        if (fl_width(text) <= kLabelWidth) break;
    }
    return size;
}

// How long showing the window may take before the work starts anyway.
constexpr auto kPaintWaitLimit = std::chrono::seconds(5);
// How long the server may take to answer before the display is given up as lost: the time a
// display is given to answer when the installer starts.
constexpr auto kAnswerLimit = std::chrono::seconds(5);
// How often a message box that waits for the user checks that the server still answers.
constexpr auto kAnswerCheckInterval = std::chrono::seconds(1);

// What the headless Ui does with a message: on standard error, so that it is seen all the same.
void tellOnStandardError(const std::string& message) {
    std::fwrite(message.data(), 1, message.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

// Windows of a display that is gone. Destroying them would only be more calls on the dead
// connection; they are kept, reachable, until the process ends.
void abandon(Fl_Window* window) {
    static auto* const abandoned = new std::vector<Fl_Window*>;
    abandoned->push_back(window);
}

// The waiting window: the title "B" and the one label "Attendere" in a large bold sans face.
class WaitWindow final : public Fl_Window {
  public:
    WaitWindow() : Fl_Window(kWindowWidth, kWindowHeight, "B") {
        label_ = new PlainText(kLabelLeft, kLabelTop, kLabelWidth, kLabelHeight, "Attendere");
        label_->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
        label_->labelfont(FL_HELVETICA_BOLD);
        label_->labelsize(fittingFontSize(label_->label()));
        end();
    }

    // True once the window has drawn itself on the display at least once.
    bool painted() const { return painted_; }

  protected:
    void draw() override {
        Fl_Window::draw();
        painted_ = true;
    }

  private:
    PlainText* label_ = nullptr;  // owned by the window
    bool painted_ = false;
};

class WindowUi final : public Ui {
  public:
    WindowUi() : window_(std::make_unique<WaitWindow>()) {}
    ~WindowUi() override { close(); }

    void showWaitWindow() override {
        if (!window_ || displayLost()) return;
        const ServerDeadline bounded(kPaintWaitLimit + kAnswerLimit);
        window_->show();
        // The work that follows processes no events, so the window must be on the screen and
        // drawn before this returns: wait for the first expose to be handled, then make sure
        // the server has carried out the drawing.
        const auto deadline = std::chrono::steady_clock::now() + kPaintWaitLimit;
        while (!window_->painted() && !displayLost() &&
               std::chrono::steady_clock::now() < deadline) {
            Fl::wait(0.05);
        }
        if (displayLost()) return;
        Fl::flush();
        XSync(fl_display, False);
    }

    void showMessage(const std::string& message) override {
        if (displayLost()) {
            tellOnStandardError(message);
            return;
        }
        std::unique_ptr<Fl_Window> box;
        {
            const ServerDeadline bounded(kAnswerLimit);
            box = makeMessageBox(message);
            box->show();
        }
        waitUntilDismissed(*box);
        if (displayLost()) {
            // The user may not have seen it; standard error keeps it.
            abandon(box.release());
            tellOnStandardError(message);
        }
    }

    void close() override {
        if (!window_) return;
        if (displayLost()) {
            abandon(window_.release());
            return;
        }
        const ServerDeadline bounded(kAnswerLimit);
        window_->hide();
        window_.reset();
        Fl::flush();
        XSync(fl_display, False);
    }

    // Gives up the window without a call on the display, for a display that is gone.
    void abandonIfLost() {
        if (window_ && displayLost()) abandon(window_.release());
    }

  private:
    static std::unique_ptr<Fl_Window> makeMessageBox(const std::string& message) {
        constexpr int kMargin = 20;
        constexpr int kMaxTextWidth = 560;
        constexpr int kButtonWidth = 90;
        constexpr int kButtonHeight = 26;

        fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
        int textWidth = 0;
        int textHeight = 0;
        fl_measure(message.c_str(), textWidth, textHeight, 0);
        if (textWidth > kMaxTextWidth) {
            textWidth = kMaxTextWidth;
            fl_measure(message.c_str(), textWidth, textHeight, 0);
        }
        textWidth = std::max(textWidth, 1);
        textHeight = std::max(textHeight, fl_height());
        const int width = std::max(textWidth + 2 * kMargin, kButtonWidth + 2 * kMargin + 100);
        const int height = kMargin + textHeight + kMargin + kButtonHeight + kMargin / 2;

        // No title of its own: the box carries the program's name, as the system's boxes do.
        auto dialog = std::make_unique<Fl_Window>(width, height);
        dialog->copy_label(program_invocation_short_name);
        // The text and the button belong to the box, which deletes them.
        auto* text =
            new PlainText(kMargin, kMargin, width - 2 * kMargin, textHeight, message.c_str());
        text->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
        auto* ok = new Fl_Button((width - kButtonWidth) / 2, height - kMargin / 2 - kButtonHeight,
                                 kButtonWidth, kButtonHeight, "OK");
        ok->shortcut(FL_Enter);
        ok->callback([](Fl_Widget* button, void*) { button->window()->hide(); });
        dialog->end();
        dialog->set_modal();
        dialog->position((Fl::w() - width) / 2, (Fl::h() - height) / 2);
        return dialog;
    }

    // OK, Enter, Escape and the window's close button all hide the box. Waiting for the user has
    // no limit, but the server must go on answering: a stopped one would hold the box, and the
    // run, for ever.
    static void waitUntilDismissed(Fl_Window& box) {
        auto lastAnswer = std::chrono::steady_clock::now();
        while (box.shown() && !displayLost()) {
            Fl::wait(std::chrono::duration<double>(kAnswerCheckInterval).count());
            if (std::chrono::steady_clock::now() - lastAnswer >= kAnswerCheckInterval &&
                !displayLost()) {
                const ServerDeadline answer(kAnswerLimit);
                XSync(fl_display, False);
                lastAnswer = std::chrono::steady_clock::now();
            }
        }
    }

    std::unique_ptr<WaitWindow> window_;
};

}  // namespace

}  // namespace platform::x11

// The module's one exported symbol; everything else in it is hidden.
extern "C" __attribute__((visibility("default"))) platform::Ui* scenario_make_window_ui(
    _XDisplay* display) noexcept {
    using namespace platform::x11;
    static_assert(std::is_same_v<decltype(scenario_make_window_ui), MakeWindowUi>);
    if (fl_display == nullptr) {
        // Without a way to survive the server going away, no window: the job goes on without.
        if (!watchDisplay(display)) {
            XCloseDisplay(display);
            return nullptr;
        }
        const ServerDeadline bounded(kAnswerLimit);
        fl_open_display(display);
    } else if (display != fl_display) {
        XCloseDisplay(display);
    }
    if (displayLost()) return nullptr;
    try {
        const ServerDeadline bounded(kAnswerLimit);
        auto ui = std::make_unique<WindowUi>();
        if (displayLost()) {
            ui->abandonIfLost();
            return nullptr;
        }
        return ui.release();
    } catch (...) {
        return nullptr;  // the installer goes on without a window
    }
}
