// The installer's window on Windows: a top-level window titled "B" with one static label,
// "Attendere", laid out in twips like the form it was drawn as and scaled to the screen's
// resolution; and the system's message box.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/ui.h"
#include "platform/win32/message_box_seam.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// The form's layout in twips: 1440 to the inch, 15 to a pixel at 96 dpi.
constexpr int kClientWidth = 4200;
constexpr int kClientHeight = 2688;
constexpr int kLabelLeft = 960;
constexpr int kLabelTop = 960;
constexpr int kLabelWidth = 2652;
constexpr int kLabelHeight = 792;
constexpr int kLabelPoints = 24;
constexpr int kSmallestLabelPoints = 12;
constexpr const wchar_t* kLabelText = L"Attendere";
constexpr int kTwipsPerInch = 1440;
constexpr int kPointsPerInch = 72;

constexpr const wchar_t* kWindowClass = L"GenovaTorinoIC514.Form1";
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;
constexpr int kLabelId = 1;

[[noreturn]] void failToCreate(const char* what) {
    throw std::runtime_error(std::string("cannot create the ") + what + ": " +
                             win32::systemMessage(::GetLastError()));
}

LRESULT CALLBACK formProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void registerWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = formProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    // A form's background is the colour of buttons and dialogs, like the label's.
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        failToCreate("window class");
    }
}

// The label's font: the form's 24 point bold face, or a smaller size of it where the face that
// stands in for it on this system is wider and the word would be cut at the label's edge.
HFONT makeLabelFont(int dpi, const wchar_t* text, int labelWidth) {
    const HDC screen = ::GetDC(nullptr);
    const int largest = ::MulDiv(kLabelPoints, dpi, kPointsPerInch);
    const int smallest = ::MulDiv(kSmallestLabelPoints, dpi, kPointsPerInch);
    HFONT font = nullptr;
    for (int height = largest; height >= smallest; --height) {
        if (font != nullptr) ::DeleteObject(font);
        font = ::CreateFontW(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
        if (font == nullptr || screen == nullptr) break;
        const HGDIOBJ previous = ::SelectObject(screen, font);
        SIZE extent{};
        const BOOL measured = ::GetTextExtentPoint32W(screen, text, lstrlenW(text), &extent);
        ::SelectObject(screen, previous);
        if (!measured || extent.cx <= labelWidth) break;
    }
    if (screen != nullptr) ::ReleaseDC(nullptr, screen);
    return font;
}

// The screen's resolution in pixels per inch.
int screenDpi() {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen != nullptr) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

class WindowUi final : public Ui {
  public:
    WindowUi() {
        // The layout is scaled here; without this the system would stretch the window's pixels
        // on a high-resolution screen and blur the text.
        ::SetProcessDPIAware();
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        registerWindowClass(instance);
        const int dpi = screenDpi();
        const auto pixels = [dpi](int twips) { return ::MulDiv(twips, dpi, kTwipsPerInch); };

        RECT frame{0, 0, pixels(kClientWidth), pixels(kClientHeight)};
        ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
        window_ = ::CreateWindowExW(0, kWindowClass, L"B", kWindowStyle, CW_USEDEFAULT,
                                    CW_USEDEFAULT, frame.right - frame.left,
                                    frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
        if (window_ == nullptr) failToCreate("window");

        font_ = makeLabelFont(dpi, kLabelText, pixels(kLabelWidth));
        const HWND label = ::CreateWindowExW(
            0, L"STATIC", kLabelText, WS_CHILD | WS_VISIBLE | SS_LEFT, pixels(kLabelLeft),
            pixels(kLabelTop), pixels(kLabelWidth), pixels(kLabelHeight), window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelId)), instance, nullptr);
        if (label == nullptr) {
            destroy();
            failToCreate("label");
        }
        if (font_ != nullptr) ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
    }
    ~WindowUi() override { destroy(); }
    WindowUi(const WindowUi&) = delete;
    WindowUi& operator=(const WindowUi&) = delete;

    void showWaitWindow() override {
        if (window_ == nullptr) return;
        ::ShowWindow(window_, SW_SHOW);
        // Sends the paint messages to the window and its label before returning: the work that
        // follows handles no messages, so what is not painted now would never be.
        ::UpdateWindow(window_);
    }

    void showMessage(const std::string& message) override {
        const std::wstring text = win32::toWide(message);
        const win32::MessageBoxSeam seam;
        // No title of its own: the system shows its default one. The window, when there is
        // one, owns the box and takes no input while it is up.
        if (::MessageBoxW(window_, text.c_str(), nullptr, MB_OK) == 0) {
            // Without a box the message still reaches whoever watches standard error.
            std::fprintf(stderr, "%s\n", message.c_str());
        }
    }

    void close() override { destroy(); }

  private:
    void destroy() {
        if (window_ != nullptr) ::DestroyWindow(window_);
        window_ = nullptr;
        if (font_ != nullptr) ::DeleteObject(font_);
        font_ = nullptr;
    }

    HWND window_ = nullptr;
    HFONT font_ = nullptr;
};

}  // namespace

std::unique_ptr<Ui> makeUi() {
    return std::make_unique<WindowUi>();
}

}  // namespace platform
