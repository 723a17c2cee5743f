// The windowed program on Win32: the entry point, the main window and its
// message procedure. The procedure turns the few messages that matter into
// calls of the portable shell's handlers, and owns the back buffer that every
// frame is drawn into and copied from.

#include "platform/platform.h"
#include "platform/win32/win32_platform.h"
#include "shell/shell.h"

namespace {

constexpr int clientWidth = 800;
constexpr int clientHeight = 600;
// A caption with system menu and minimise box, visible from the start; no
// maximise box and no sizing border, so the client area stays 800 × 600.
constexpr DWORD windowStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
static_assert(windowStyle == 0x10CA0000);

const char* const className = "GALLOP";

// The 800 × 600 back buffer, made at WM_CREATE and deleted at WM_DESTROY.
DrawContext backBuffer = nullptr;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        setPlatformWindow(window);
        backBuffer = createBackBuffer(clientWidth, clientHeight);
        // The frame thread, then the scene: data files, race setup, images.
        // All of it runs before CreateWindowExA returns.
        onCreate();
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        onPaint(backBuffer);
        // The whole back buffer, whatever the update region.
        if (backBuffer != nullptr) {
            BitBlt(dc, 0, 0, clientWidth, clientHeight, contextDC(backBuffer), 0, 0, SRCCOPY);
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_KEYUP:
        onKeyUp(static_cast<int32_t>(wParam));
        return 0;
    case WM_MOUSEMOVE:
        onMouseMove(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_LBUTTONUP:
        onLeftButtonUp();
        return 0;
    case WM_RBUTTONUP:
        onRightButtonUp();
        return 0;
    case WM_DESTROY:
        // From here on paint and close requests have no window to go to.
        setPlatformWindow(nullptr);
        deleteBackBuffer(backBuffer);
        backBuffer = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        // WM_CLOSE among them: default processing destroys the window.
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "IDI_ICON");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = className;
    if (RegisterClassA(&windowClass) == 0) {
        return 0;
    }

    RECT outer{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&outer, windowStyle, FALSE);
    HWND window = CreateWindowExA(0, className, "GALLOP", windowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                  outer.right - outer.left, outer.bottom - outer.top, nullptr,
                                  nullptr, instance, nullptr);
    int exitCode = 0;
    if (window != nullptr) {
        setPlatformWindow(window);
        // Not translated: the program wants no character messages.
        MSG message{};
        while (true) {
            // Under Wine, input from the X server reaches the queue only when
            // this thread asks for it, and a thread that is never idle asks
            // seldom. A paint can take longer than a tick, and then another
            // is always due; without this question a key could wait seconds
            // behind them. With its input in the queue, GetMessageA hands the
            // key out before the next paint, which the key does not change.
            GetQueueStatus(QS_ALLINPUT);
            if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
                break;
            }
            DispatchMessageA(&message);
        }
        exitCode = static_cast<int>(message.wParam);
        // The loop can also end with the window still there: GetMessageA
        // failing, or a quit message posted from outside. Destroying it now
        // turns later close requests of the frame thread into nothing.
        if (IsWindow(window)) {
            DestroyWindow(window);
        }
    }
    // The frame thread is stopped only now, with the loop ended and the
    // window gone. A close request it is sending meanwhile is still answered
    // while the wait lasts. It never uses the back buffer, so the window
    // could go first.
    onDestroy();
    return exitCode;
}
