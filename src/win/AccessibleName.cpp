#include "AccessibleName.h"

#include <objbase.h>
#include <oleacc.h>

#include <new>
#include <utility>

#include "ComIds.h"
#include "SystemLibrary.h"

namespace win {

namespace {

using namespace com;

// The accessibility and automation libraries are loaded when a screen reader first asks, not at start.
using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, IUnknown*);
using SysAllocStringFn = BSTR(WINAPI*)(const OLECHAR*);
using VariantChangeTypeFn = HRESULT(WINAPI*)(VARIANTARG*, const VARIANTARG*, USHORT, VARTYPE);
using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);
using CoUninitializeFn = void(WINAPI*)();

struct AccessibilityFunctions {
    CreateStdAccessibleObjectFn createStandard;
    LresultFromObjectFn resultFromObject;
    SysAllocStringFn sysAllocString;
    VariantChangeTypeFn variantChangeType;
    CoInitializeExFn coInitializeEx;
    CoUninitializeFn coUninitialize;
};

// Each library is loaded once, on the first call, and its functions are kept for every later question.
const AccessibilityFunctions& Functions()
{
    static const AccessibilityFunctions functions = [] {
        const HMODULE oleacc = LoadSystemLibrary(L"oleacc.dll");
        const HMODULE oleaut32 = LoadSystemLibrary(L"oleaut32.dll");
        const HMODULE ole32 = LoadSystemLibrary(L"ole32.dll");
        return AccessibilityFunctions{ModuleFunction<CreateStdAccessibleObjectFn>(oleacc, "CreateStdAccessibleObject"),
                                      ModuleFunction<LresultFromObjectFn>(oleacc, "LresultFromObject"),
                                      ModuleFunction<SysAllocStringFn>(oleaut32, "SysAllocString"),
                                      ModuleFunction<VariantChangeTypeFn>(oleaut32, "VariantChangeType"),
                                      ModuleFunction<CoInitializeExFn>(ole32, "CoInitializeEx"),
                                      ModuleFunction<CoUninitializeFn>(ole32, "CoUninitialize")};
    }();
    return functions;
}

// The interface of that id of the object, or null where it has none.
template <class Interface>
Interface* Query(IUnknown* object, const GUID& id)
{
    void* found = nullptr;
    return SUCCEEDED(object->QueryInterface(id, &found)) ? static_cast<Interface*>(found) : nullptr;
}

// A child id as clients send it, as VT_I4: VT_EMPTY and VT_ERROR (an argument left out) mean the control itself,
// other types (VT_I2, an id by reference from a scripting client) are converted. False when it cannot be.
bool NormalisedChild(const VARIANT& child, VARIANT& id)
{
    id = VARIANT{};
    id.vt = VT_I4;
    id.lVal = CHILDID_SELF;
    if (child.vt == VT_EMPTY || child.vt == VT_ERROR)
        return true;
    if (child.vt == VT_I4) {
        id.lVal = child.lVal;
        return true;
    }
    const auto variantChangeType = Functions().variantChangeType;
    VARIANT converted{};
    if (!variantChangeType || FAILED(variantChangeType(&converted, &child, 0, VT_I4)) || converted.vt != VT_I4)
        return false;
    id.lVal = converted.lVal;
    return true;
}

void ReleaseIfAny(IUnknown* object)
{
    if (object)
        object->Release();
}

// The standard object of a control with its own name for the control itself; everything else is the standard
// object's answer. The standard object's other interfaces are answered here too, each forwarded, so that every
// interface a screen reader gets leads back to this object (and its name) when asked for another.
class NamedAccessible final : public IAccessible,
                              public IEnumVARIANT,
                              public IOleWindow,
                              public IServiceProvider,
                              public IAccIdentity {
public:
    NamedAccessible(IAccessible* standard, WideText name) noexcept
        : m_standard(standard), m_name(std::move(name)), m_children(Query<IEnumVARIANT>(standard, kIidEnumVariant)),
          m_window(Query<IOleWindow>(standard, kIidOleWindow)),
          m_services(Query<IServiceProvider>(standard, kIidServiceProvider)),
          m_identity(Query<IAccIdentity>(standard, kIidAccIdentity))
    {
    }
    NamedAccessible(const NamedAccessible&) = delete;
    NamedAccessible& operator=(const NamedAccessible&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (IsEqualGUID(id, kIidUnknown) || IsEqualGUID(id, kIidDispatch) || IsEqualGUID(id, kIidAccessible))
            *object = static_cast<IAccessible*>(this);
        else if (IsEqualGUID(id, kIidEnumVariant) && m_children)
            *object = static_cast<IEnumVARIANT*>(this);
        else if (IsEqualGUID(id, kIidOleWindow) && m_window)
            *object = static_cast<IOleWindow*>(this);
        else if (IsEqualGUID(id, kIidServiceProvider) && m_services)
            *object = static_cast<IServiceProvider*>(this);
        else if (IsEqualGUID(id, kIidAccIdentity) && m_identity)
            *object = static_cast<IAccIdentity*>(this);
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_nRefs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_nRefs;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        VARIANT id;
        if (!NormalisedChild(child, id))
            return m_standard->get_accName(child, name);
        if (id.lVal != CHILDID_SELF)
            return m_standard->get_accName(id, name);
        if (!name)
            return E_POINTER;
        const auto sysAllocString = Functions().sysAllocString;
        *name = sysAllocString ? sysAllocString(m_name.data()) : nullptr;
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    // IDispatch and the rest of IAccessible: the standard object's.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return m_standard->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override
    {
        return m_standard->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override
    {
        return m_standard->GetIDsOfNames(id, names, count, locale, ids);
    }
    // The name asked through IDispatch (the child, when given, is the property's one argument) is ours as well.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument) override
    {
        if (member != DISPID_ACC_NAME || !(flags & DISPATCH_PROPERTYGET) || !params || params->cArgs > 1 || !result)
            return m_standard->Invoke(member, id, locale, flags, params, result, exception, argument);
        // An argument left out arrives as VT_ERROR (or not at all): the control itself.
        VARIANT child{};
        child.vt = VT_EMPTY;
        if (params->cArgs == 1)
            child = params->rgvarg[0];
        BSTR name = nullptr;
        const HRESULT got = get_accName(child, &name);
        if (SUCCEEDED(got)) {
            result->vt = VT_BSTR;
            result->bstrVal = name;
        }
        return got;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return m_standard->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return m_standard->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override
    {
        return m_standard->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return m_standard->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        return m_standard->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        return m_standard->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        return m_standard->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return m_standard->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override
    {
        return m_standard->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        return m_standard->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return m_standard->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override
    {
        return m_standard->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return m_standard->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override
    {
        return m_standard->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override
    {
        return m_standard->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        return m_standard->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override
    {
        return m_standard->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        return m_standard->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override
    {
        return m_standard->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return m_standard->put_accValue(child, value);
    }

    // IEnumVARIANT: the standard object's children.
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* children, ULONG* fetched) override
    {
        return m_children->Next(count, children, fetched);
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override { return m_children->Skip(count); }
    HRESULT STDMETHODCALLTYPE Reset() override { return m_children->Reset(); }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override { return m_children->Clone(copy); }

    // IOleWindow: the control's window.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override { return m_window->GetWindow(window); }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override
    {
        return m_window->ContextSensitiveHelp(enter);
    }

    // IServiceProvider: the standard object's services but one. It tells UI Automation that it is the system's
    // stand-in for a control without accessibility of its own, and UI Automation then puts a stand-in of its own in
    // its place, which knows nothing of our name; this object is the control's own.
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID id, void** object) override
    {
        if (!IsEqualGUID(service, kSidIsOleaccProxy))
            return m_services->QueryService(service, id, object);
        if (object)
            *object = nullptr;
        return E_NOINTERFACE;
    }

    // IAccIdentity: the standard object's, which names the control's window.
    HRESULT STDMETHODCALLTYPE GetIdentityString(DWORD child, BYTE** identity, DWORD* length) override
    {
        return m_identity->GetIdentityString(child, identity, length);
    }

private:
    ~NamedAccessible()
    {
        ReleaseIfAny(m_identity);
        ReleaseIfAny(m_services);
        ReleaseIfAny(m_window);
        ReleaseIfAny(m_children);
        m_standard->Release();
    }

    IAccessible* m_standard;
    WideText m_name;          // a copy: a screen reader may hold the object after the control has gone
    IEnumVARIANT* m_children; // each of these null where the standard object lacks it
    IOleWindow* m_window;
    IServiceProvider* m_services;
    IAccIdentity* m_identity;
    ULONG m_nRefs = 1;
};

} // namespace

NamedControl::~NamedControl()
{
    UnsubclassWindow();
    if (m_bComReady) {
        if (const auto coUninitialize = Functions().coUninitialize)
            coUninitialize();
    }
}

void NamedControl::SetAccessibleName(const char* name)
{
    m_name = WideFromGbk(name ? name : "");
}

bool NamedControl::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message != WM_GETOBJECT || static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT) || m_name.size() < 2)
        return false;
    const AccessibilityFunctions& functions = Functions();
    if (!functions.createStandard || !functions.resultFromObject)
        return false;
    // The object reaches the screen reader's process through COM, which this thread joins once.
    if (!m_bComReady) {
        m_bComReady = functions.coInitializeEx &&
                      SUCCEEDED(functions.coInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        if (!m_bComReady)
            return false;
    }
    IAccessible* standard = nullptr;
    if (FAILED(functions.createStandard(m_hWnd, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&standard))) ||
        !standard)
        return false;
    IAccessible* named = new (std::nothrow) NamedAccessible(standard, m_name);
    if (!named) {
        standard->Release();
        return false;
    }
    const LRESULT reference = functions.resultFromObject(kIidAccessible, wParam, named);
    named->Release();
    // Not passed on: the message gets its default answer, the system's standard object.
    if (FAILED(static_cast<HRESULT>(reference)))
        return false;
    result = reference;
    return true;
}

} // namespace win
