// kvwinspy: a Windows-side probe the GUI tests run inside the bed to read what
// X cannot tell them: a window's styles, rectangles and layered attributes,
// the texts of a message box, and to post a message to a window.
//   kvwinspy window CLASS            top-level window of that class
//   kvwinspy texts TITLE             a top-level window by title and its children
//   kvwinspy post CLASS MSG WPARAM   PostMessageW to the window of that class
//                                    (MSG a number or a registered message's name)
//   kvwinspy held-keys CLASS KEYS    key presses (letters) posted while the
//                                    window's thread is held, as on a machine
//                                    that stalls while the user types
// Prints key=value lines in UTF-8; exit status 0 when the window was found.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string out(static_cast<size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
  return out;
}

std::string WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return Utf8(text);
}

std::string ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return Utf8(name);
}

int DescribeWindow(HWND window) {
  if (!window) {
    std::printf("found=0\n");
    return 1;
  }
  RECT wr = {}, cr = {};
  GetWindowRect(window, &wr);
  GetClientRect(window, &cr);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  const BOOL layered = GetLayeredWindowAttributes(window, &key, &alpha, &flags);
  std::printf("found=1\nclass=%s\ntitle=%s\n", ClassOf(window).c_str(), WindowText(window).c_str());
  std::printf("style=0x%08lx\nexstyle=0x%08lx\n", static_cast<unsigned long>(style),
              static_cast<unsigned long>(exStyle));
  std::printf("window=%ld,%ld,%ld,%ld\n", wr.left, wr.top, wr.right, wr.bottom);
  std::printf("client_size=%ld,%ld\nclient_origin=%ld,%ld\n", cr.right - cr.left, cr.bottom - cr.top,
              origin.x, origin.y);
  std::printf("screen=%d,%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  std::printf("layered=%d\ncolour_key=0x%06lx\nlayered_flags=0x%lx\n", layered ? 1 : 0,
              static_cast<unsigned long>(key), static_cast<unsigned long>(flags));
  std::printf("visible=%d\nenabled=%d\n", IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0);
  return 0;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  std::printf("child=%s|%s\n", ClassOf(child).c_str(), WindowText(child).c_str());
  return TRUE;
}

// Holds the thread of the window, posts a WM_KEYDOWN for each letter of keys
// and lets the thread go: it finds all of them waiting when it runs again, so
// it handles them one after the other before any timer message, whatever the
// machine's load.
int PostHeldKeys(HWND window, const wchar_t* keys) {
  if (!window) {
    std::printf("found=0\n");
    return 1;
  }
  const DWORD threadId = GetWindowThreadProcessId(window, nullptr);
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, threadId);
  if (!thread) {
    std::printf("found=1\nheld=0\n");
    return 1;
  }
  // SuspendThread only asks; reading the context waits until the thread has stopped.
  CONTEXT context = {};
  context.ContextFlags = CONTEXT_CONTROL;
  const bool suspended = SuspendThread(thread) != static_cast<DWORD>(-1);
  const bool held = suspended && GetThreadContext(thread, &context);
  int posted = 0;
  if (held) {
    for (const wchar_t* k = keys; *k; ++k) {
      const WPARAM vk = static_cast<WPARAM>(towupper(*k));
      const UINT scanCode = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
      const LPARAM lParam = 1 | (static_cast<LPARAM>(scanCode) << 16);  // one press, not repeated
      if (PostMessageW(window, WM_KEYDOWN, vk, lParam)) ++posted;
    }
  }
  if (suspended) ResumeThread(thread);
  CloseHandle(thread);
  std::printf("found=1\nheld=%d\nposted=%d\n", held ? 1 : 0, posted);
  return held && posted == static_cast<int>(wcslen(keys)) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && wcscmp(argv[1], L"window") == 0) {
    return DescribeWindow(FindWindowW(argv[2], nullptr));
  }
  if (argc >= 3 && wcscmp(argv[1], L"texts") == 0) {
    HWND window = FindWindowW(nullptr, argv[2]);
    const int rc = DescribeWindow(window);
    if (window) EnumChildWindows(window, PrintChild, 0);
    return rc;
  }
  if (argc >= 5 && wcscmp(argv[1], L"post") == 0) {
    HWND window = FindWindowW(argv[2], nullptr);
    if (!window) {
      std::printf("found=0\n");
      return 1;
    }
    // A name that is not a number is a registered message, whose id every
    // program of the session shares.
    wchar_t* end = nullptr;
    UINT message = static_cast<UINT>(wcstoul(argv[3], &end, 0));
    if (*end != L'\0') message = RegisterWindowMessageW(argv[3]);
    const WPARAM wParam = static_cast<WPARAM>(wcstoul(argv[4], nullptr, 0));
    std::printf("found=1\nposted=%d\n", PostMessageW(window, message, wParam, 0) ? 1 : 0);
    return 0;
  }
  if (argc >= 4 && wcscmp(argv[1], L"held-keys") == 0) {
    return PostHeldKeys(FindWindowW(argv[2], nullptr), argv[3]);
  }
  std::fprintf(stderr,
               "usage: kvwinspy window CLASS | texts TITLE | post CLASS MSG|NAME WPARAM | held-keys CLASS KEYS\n");
  return 2;
}
