// The IAccessible of the main window's client area, by hand. Simple elements
// stand for the painted texts and controls; the EDIT boxes answer through
// their own objects; the window-level members (parent, navigation out, the
// client's own name and place) come from Windows' standard object.
#include "accessible_page.h"

#include <oleacc.h>

#include <atomic>
#include <new>
#include <utility>

#include "accessible_children.h"
#include "com_ptr.h"
#include "engine/install_state.h"
#include "page_table.h"
#include "shell_state.h"
#include "system_library.h"
#include "wizard/controls.h"

namespace {

using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using AccessibleObjectFromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);

// oleacc.dll, from System32 only: it is no known DLL on Windows 7, and a copy
// in the download folder beside the program must never be loaded.
struct Oleacc {
  LresultFromObjectFn lresultFromObject = nullptr;
  CreateStdAccessibleObjectFn createStdAccessibleObject = nullptr;
  AccessibleObjectFromWindowFn accessibleObjectFromWindow = nullptr;
};

template <typename Fn>
Fn Function(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const Oleacc& OleaccFunctions() {
  static const Oleacc functions = [] {
    Oleacc f;
    HMODULE module = LoadSystemLibrary(L"oleacc.dll");
    if (!module) return f;
    f.lresultFromObject = Function<LresultFromObjectFn>(module, "LresultFromObject");
    f.createStdAccessibleObject =
        Function<CreateStdAccessibleObjectFn>(module, "CreateStdAccessibleObject");
    f.accessibleObjectFromWindow =
        Function<AccessibleObjectFromWindowFn>(module, "AccessibleObjectFromWindow");
    return f;
  }();
  return functions;
}

BSTR Bstr(const wchar_t* text) { return SysAllocString(text); }

class AccessiblePage final : public IAccessible {
 public:
  AccessiblePage(HWND window, ComPtr<IAccessible> standard)
      : window_(window), standard_(std::move(standard)) {}

  // Clients that still hold the object get failures from now on.
  void Disconnect() {
    window_ = nullptr;
    standard_.Reset();
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: clients of this object use the vtable.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!window_) return CO_E_OBJNOTCONNECTED;
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    if (!window_) return CO_E_OBJNOTCONNECTED;
    *count = Children().count;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!window_) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    const PageControl* c = ChildControl(Children(), child.lVal);
    if (!c) return E_INVALIDARG;
    if (c->kind != ControlKind::kEdit) return S_FALSE;  // a simple element
    ComPtr<IAccessible> box = EditObject();
    if (!box) return S_FALSE;
    return box->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out));
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    return Answer(
        child, [&](IAccessible* o, VARIANT self) { return o->get_accName(self, name); },
        [&](const PageControl& c) {
          wchar_t text[kPathUnits + 8];
          ChildName(currentPage, c, text, kPathUnits + 8);
          *name = Bstr(text);
          return *name ? S_OK : E_OUTOFMEMORY;
        });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    return Answer(
        child, [&](IAccessible* o, VARIANT self) { return o->get_accValue(self, value); },
        [&](const PageControl& c) {
          wchar_t text[16];
          if (!ChildValue(c, text, 16)) return S_FALSE;
          *value = Bstr(text);
          return *value ? S_OK : E_OUTOFMEMORY;
        });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Answer(
        child, [&](IAccessible* o, VARIANT self) { return o->get_accDescription(self, out); },
        [](const PageControl&) { return S_FALSE; });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    VariantInit(role);
    return Answer(
        child, [&](IAccessible* o, VARIANT self) { return o->get_accRole(self, role); },
        [&](const PageControl& c) {
          role->vt = VT_I4;
          role->lVal = ChildRole(c);
          return S_OK;
        });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (!state) return E_POINTER;
    VariantInit(state);
    return Answer(
        child, [&](IAccessible* o, VARIANT self) { return o->get_accState(self, state); },
        [&](const PageControl& c) {
          state->vt = VT_I4;
          state->lVal = ChildState(c);
          return S_OK;
        });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
    if (help) *help = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    if (!shortcut) return E_POINTER;
    *shortcut = nullptr;
    return Answer(
        child,
        [&](IAccessible* o, VARIANT self) { return o->get_accKeyboardShortcut(self, shortcut); },
        [&](const PageControl& c) {
          if (c.key == 0) return S_FALSE;
          const wchar_t key[2] = {c.key, 0};
          *shortcut = Bstr(key);
          return *shortcut ? S_OK : E_OUTOFMEMORY;
        });
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    if (!window_) return CO_E_OBJNOTCONNECTED;
    // The EDIT boxes report their own focus; the painted controls have it
    // while the window holds the keyboard.
    if (GetFocus() != window_) return S_FALSE;
    const int id = FocusedChildId(Children());
    focus->vt = VT_I4;
    focus->lVal = id != 0 ? id : CHILDID_SELF;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    VariantInit(selection);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!action) return E_POINTER;
    *action = nullptr;
    return Answer(
        child, [&](IAccessible* o, VARIANT self) { return o->get_accDefaultAction(self, action); },
        [&](const PageControl& c) {
          const wchar_t* text = ChildDefaultAction(c);
          if (!text) return S_FALSE;
          *action = Bstr(text);
          return *action ? S_OK : E_OUTOFMEMORY;
        });
  }
  HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    return Answer(
        child,
        [&](IAccessible* o, VARIANT self) {
          return o->accLocation(left, top, width, height, self);
        },
        [&](const PageControl& c) {
          const RECT r = DesignToClient(BoundsOf(currentPage, c));
          POINT origin = {r.left, r.top};
          ClientToScreen(window_, &origin);
          *left = origin.x;
          *top = origin.y;
          *width = r.right - r.left;
          *height = r.bottom - r.top;
          return S_OK;
        });
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (!end) return E_POINTER;
    VariantInit(end);
    if (!window_) return CO_E_OBJNOTCONNECTED;
    if (start.vt != VT_I4) return E_INVALIDARG;
    const PageChildren children = Children();
    long target = 0;
    if (start.lVal == CHILDID_SELF) {
      if (direction == NAVDIR_FIRSTCHILD)
        target = 1;
      else if (direction == NAVDIR_LASTCHILD)
        target = children.count;
      else
        return standard_->accNavigate(direction, start, end);
    } else {
      if (!ChildControl(children, start.lVal)) return E_INVALIDARG;
      if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN)
        target = start.lVal + 1;
      else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP)
        target = start.lVal - 1;
      else
        return S_FALSE;
    }
    if (!ChildControl(children, target)) return S_FALSE;
    end->vt = VT_I4;
    end->lVal = target;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    if (!hit) return E_POINTER;
    VariantInit(hit);
    if (!window_) return CO_E_OBJNOTCONNECTED;
    POINT p = {x, y};
    ScreenToClient(window_, &p);
    RECT client;
    GetClientRect(window_, &client);
    if (!PtInRect(&client, p)) return standard_->accHitTest(x, y, hit);
    const POINT d = ClientToDesign(p);
    const PageChildren children = Children();
    // Controls before texts: a wide text rectangle may reach past its control.
    int found = 0;
    for (int pass = 0; pass < 2 && found == 0; ++pass) {
      for (int i = 0; i < children.count && found == 0; ++i) {
        const PageControl& c = *children.controls[i];
        if ((pass == 0) == (ChildRole(c) == ROLE_SYSTEM_STATICTEXT)) continue;
        if (RectContains(BoundsOf(currentPage, c), static_cast<uint32_t>(d.x),
                         static_cast<uint32_t>(d.y)))
          found = i + 1;
      }
    }
    if (found != 0 && children.controls[found - 1]->kind == ControlKind::kEdit) {
      VARIANT id;
      id.vt = VT_I4;
      id.lVal = found;
      IDispatch* box = nullptr;
      if (get_accChild(id, &box) == S_OK) {
        hit->vt = VT_DISPATCH;
        hit->pdispVal = box;
        return S_OK;
      }
    }
    hit->vt = VT_I4;
    hit->lVal = found != 0 ? found : CHILDID_SELF;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!window_) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF) return standard_->accDoDefaultAction(child);
    const PageControl* c = ChildControl(Children(), child.lVal);
    if (!c) return E_INVALIDARG;
    if (c->kind == ControlKind::kEdit) {
      ComPtr<IAccessible> box = EditObject();
      VARIANT self;
      self.vt = VT_I4;
      self.lVal = CHILDID_SELF;
      return box ? box->accDoDefaultAction(self) : DISP_E_MEMBERNOTFOUND;
    }
    if (c->id == 0) return DISP_E_MEMBERNOTFOUND;
    // Performed on the UI thread by the page's own handlers, after this call.
    const PageControls table = ControlsOf(currentPage);
    PostMessageW(window_, kMsgAccessibleAction, currentPage,
                 static_cast<LPARAM>(c - table.controls));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  PageChildren Children() const { return ChildrenOf(currentPage, window_); }

  ComPtr<IAccessible> EditObject() const {
    ComPtr<IAccessible> box;
    HWND edit = EditBoxOf(window_);
    const auto fromWindow = OleaccFunctions().accessibleObjectFromWindow;
    if (edit && fromWindow)
      fromWindow(edit, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), box.Receive());
    return box;
  }

  // One member for the client itself (Windows' standard object), an EDIT box
  // (its own object) or a painted control (simple).
  template <typename Delegate, typename Simple>
  HRESULT Answer(VARIANT child, Delegate delegate, Simple simple) {
    if (!window_) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    if (child.lVal == CHILDID_SELF) return delegate(standard_.Get(), self);
    const PageControl* c = ChildControl(Children(), child.lVal);
    if (!c) return E_INVALIDARG;
    if (c->kind == ControlKind::kEdit) {
      ComPtr<IAccessible> box = EditObject();
      return box ? delegate(box.Get(), self) : E_FAIL;
    }
    return simple(*c);
  }

  HWND window_;
  ComPtr<IAccessible> standard_;
  std::atomic<ULONG> references_{1};
};

// The object while the window lives; one reference held here. Once it has
// been disconnected no new one is made for the dying window.
AccessiblePage* pageObject = nullptr;
bool windowGone = false;

}  // namespace

LRESULT AnswerClientObject(HWND window, WPARAM wParam) {
  if (windowGone) return 0;
  const Oleacc& oleacc = OleaccFunctions();
  if (!oleacc.lresultFromObject || !oleacc.createStdAccessibleObject) return 0;
  if (!pageObject) {
    ComPtr<IAccessible> standard;
    if (FAILED(oleacc.createStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible),
                                                standard.Receive())) ||
        !standard)
      return 0;
    pageObject = new (std::nothrow) AccessiblePage(window, std::move(standard));
    if (!pageObject) return 0;
  }
  const LRESULT answer = oleacc.lresultFromObject(__uuidof(IAccessible), wParam, pageObject);
  return answer > 0 ? answer : 0;
}

void PerformAccessibleAction(HWND window, WPARAM page, LPARAM row) {
  if (!pageEntered || page != currentPage || CtrlHeld()) return;
  const PageControls table = ControlsOf(currentPage);
  if (row < 0 || row >= table.count) return;
  const PageControl& c = table.controls[row];
  if (c.id == 0 || GetCapture() != nullptr) return;
  // A press and release at the control's centre: every rule of the page's
  // button handlers holds (a disabled control is no control).
  const LPARAM at = MAKELPARAM((c.rect.left + c.rect.right) / 2, (c.rect.top + c.rect.bottom) / 2);
  buttonDownHandler(window, MK_LBUTTON, at);
  buttonUpHandler(window, 0, at);
  // As after a real button-up: the press ends with the handler.
  hoverId = 0;
}

void DisconnectAccessibleObject() {
  windowGone = true;
  if (!pageObject) return;
  CoDisconnectObject(static_cast<IAccessible*>(pageObject), 0);
  pageObject->Disconnect();
  pageObject->Release();
  pageObject = nullptr;
}
