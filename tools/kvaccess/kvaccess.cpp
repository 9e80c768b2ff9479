// kvaccess: an Active Accessibility client, as a screen reader is one, that
// the GUI tests run inside the bed, in a process of its own, against the
// setup window (class KVSETUP):
//   kvaccess dump            the client object's children, one a line:
//                            child ID ROLE|NAME|STATES|SHORTCUT|VALUE
//   kvaccess do ID           the default action of child ID
//   kvaccess focus SECONDS   prints "focus ID NAME" for each focus event the
//                            setup process raises, for that long
//                            ("ready" once the hook is in place)
// Output is UTF-8; exit status 0 when the window and object were found and
// the call succeeded.
#include <oleacc.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  if (!text) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string out(static_cast<size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
  return out;
}

void Say(const std::string& line) {
  fwrite(line.data(), 1, line.size(), stdout);
  fputc('\n', stdout);
  fflush(stdout);
}

// Reads one BSTR member and frees it.
template <typename Call>
std::string Text(Call call) {
  BSTR text = nullptr;
  std::string out;
  if (call(&text) == S_OK && text) out = Utf8(text);
  SysFreeString(text);
  return out;
}

VARIANT Child(long id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

std::string RoleWord(long role) {
  switch (role) {
    case ROLE_SYSTEM_STATICTEXT: return "text";
    case ROLE_SYSTEM_PUSHBUTTON: return "button";
    case ROLE_SYSTEM_RADIOBUTTON: return "radio";
    case ROLE_SYSTEM_CHECKBUTTON: return "check";
    case ROLE_SYSTEM_PROGRESSBAR: return "progress";
    case ROLE_SYSTEM_TEXT: return "edit";
    default: return std::to_string(role);
  }
}

std::string StateWords(long state) {
  std::string out;
  const struct {
    long bit;
    const char* word;
  } words[] = {{STATE_SYSTEM_CHECKED, "checked"},
               {STATE_SYSTEM_FOCUSED, "focused"},
               {STATE_SYSTEM_UNAVAILABLE, "unavailable"},
               {STATE_SYSTEM_DEFAULT, "default"}};
  for (const auto& w : words) {
    if (state & w.bit) out += (out.empty() ? "" : ",") + std::string(w.word);
  }
  return out;
}

// The member of a child: the simple element itself, or the full object a
// child window (the EDIT boxes) answers with.
struct Member {
  IAccessible* object;
  VARIANT id;
};

Member Resolve(IAccessible* parent, long id, IDispatch** held) {
  if (parent->get_accChild(Child(id), held) == S_OK && *held) {
    IAccessible* own = nullptr;
    if ((*held)->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&own)) == S_OK) {
      own->Release();  // *held keeps it alive
      return {own, Child(CHILDID_SELF)};
    }
  }
  return {parent, Child(id)};
}

int Dump(IAccessible* page) {
  long count = 0;
  if (page->get_accChildCount(&count) != S_OK) return 1;
  for (long id = 1; id <= count; ++id) {
    IDispatch* held = nullptr;
    const Member m = Resolve(page, id, &held);
    VARIANT role, state;
    VariantInit(&role);
    VariantInit(&state);
    m.object->get_accRole(m.id, &role);
    m.object->get_accState(m.id, &state);
    const std::string name = Text([&](BSTR* t) { return m.object->get_accName(m.id, t); });
    const std::string key =
        Text([&](BSTR* t) { return m.object->get_accKeyboardShortcut(m.id, t); });
    const std::string value = Text([&](BSTR* t) { return m.object->get_accValue(m.id, t); });
    Say("child " + std::to_string(id) + " " + RoleWord(role.vt == VT_I4 ? role.lVal : -1) + "|" +
        name + "|" + StateWords(state.vt == VT_I4 ? state.lVal : 0) + "|" + key + "|" + value);
    if (held) held->Release();
  }
  return 0;
}

void CALLBACK OnFocus(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
  IAccessible* source = nullptr;
  VARIANT id;
  VariantInit(&id);
  std::string name;
  if (AccessibleObjectFromEvent(window, object, child, &source, &id) == S_OK && source) {
    name = Text([&](BSTR* t) { return source->get_accName(id, t); });
    source->Release();
  }
  Say("focus " + std::to_string(child) + " " + name);
}

int WatchFocus(HWND window, int seconds) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  // With the process id and without WINEVENT_SKIPOWNPROCESS: Wine drops every
  // event when both are given.
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocus,
                                       process, 0, WINEVENT_OUTOFCONTEXT);
  if (!hook) return 1;
  Say("ready");
  const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  UnhookWinEvent(hook);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  CoInitialize(nullptr);
  HWND window = FindWindowW(L"KVSETUP", nullptr);
  if (!window) {
    Say("found=0");
    return 1;
  }
  const std::wstring verb = argv[1];
  if (verb == L"focus" && argc >= 3) return WatchFocus(window, _wtoi(argv[2]));

  IAccessible* page = nullptr;
  if (AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                 reinterpret_cast<void**>(&page)) != S_OK ||
      !page)
    return 1;
  int status = 2;
  if (verb == L"dump") {
    status = Dump(page);
  } else if (verb == L"do" && argc >= 3) {
    status = page->accDoDefaultAction(Child(_wtoi(argv[2]))) == S_OK ? 0 : 1;
  }
  page->Release();
  return status;
}
