// TSkinData's component side: properties, the package carriers, the life
// cycle, and the skin store. Reading a package into skin objects is in
// winskindataload.cpp.
#include "skin/winskindata.h"

#include <algorithm>

#include "framework/controls.h"
#include "framework/forms.h"
#include "skin/imgutil.h"

std::function<void(const std::string&)> TSkinData::ShowSkinMessage;

namespace {

// Foreign control classes and the skinned kind the engine treats them as.
const char* const kBuiltinSkin3rd[] = {
    "TCategoryButtons=scrollbar",
    "TPngSpeedbutton=pngspeedbutton",
    "TPngBitBtn=pngbitbtn",
    "TVirtualStringTree=scrollbar",
    "TVirtualDrawTree=scrollbar",
    "TTBXDockablePanel=Panel",
    "TAdvPanelGroup=scrollbar",
    "TComboboxex=combobox",
    "TRxSpeedButton=speedbutton",
    "THTMLViewer=scrollbar",
    "TDBCtrlGrid=scrollbar",
    "TfrSpeedButton=speedbutton",
    "TfrTBButton=speedbutton",
    "TControlBar=Panel",
    "TTBDock=Panel",
    "TTBToolbar=Panel",
    "TImageEnMView=scrollbar",
    "TImageEnView=scrollbar",
    "TAdvMemo=scrollbar",
    "TDBAdvMemo=scrollbar",
    "TcxDBLookupComboBox=combobox",
    "TcxDBComboBox=combobox",
    "TcxDBDateEdit=combobox",
    "TcxDBImageComboBox=combobox",
    "TcxDBCalcEdit=edit",
    "TcxDBBlobEdit=edit",
    "TcxDBPopupEdit=combobox",
    "TcxDBFontNameComboBox=combobox",
    "TcxDBShellComboBox=combobox",
    "TRxLookupEdit=combobox",
    "TRxDBLookupCombo=combobox",
    "TRzGroup=panel",
    "TRzButton=button",
    "TRzBitbtn=bitbtn",
    "TRzMenuButton=menubtn",
    "TRzCheckGroup=CheckGroup",
    "TRzRadioGroup=radiogroup",
    "TRzButtonEdit=edit",
    "TRzDBRadioGroup=radiogroup",
    "TRzDBRadioButton=Radiobutton",
    "TRzDateTimeEdit=combobox",
    "TRzColorEdit=combobox",
    "TRzDateTimePicker=combobox",
    "TRzDBDateTimeEdit=combobox",
    "TRzDbColorEdit=combobox",
    "TRzDBDateTimePicker=combobox",
    "TLMDButton=bitbtn",
    "TLMDGroupBox=panel",
    "TDBCheckboxEh=Checkbox",
    "TDBCheckboxEh=Checkbox",
    "TLMDCHECKBOX=Checkbox",
    "TLMDDBCHECKBOX=Checkbox",
    "TLMDRadiobutton=Radiobutton",
    "TLMDCalculator=panel",
    "TLMDGROUPBOX=Groupbox",
    "TLMDSIMPLEPANEL=panel",
    "TLMDDBCalendar=panel",
    "TLMDButtonPanel=panel",
    "TLMDLMDCalculator=panel",
    "TLMDHeaderPanel=panel",
    "TLMDTechnicalLine=panel",
    "TLMDLMDClock=panel",
    "TLMDTrackbar=panel",
    "TLMDListCombobox=Combobox",
    "TLMDCheckListCombobox=Combobox",
    "TLMDHeaderListCombobox=Combobox",
    "TLMDImageCombobox=Combobox",
    "TLMDColorCombobox=Combobox",
    "TLMDFontCombobox=Combobox",
    "TLMDFontSizeCombobox=Combobox",
    "TLMDFontSizeCombobox=Combobox",
    "TLMDPrinterCombobox=Combobox",
    "TLMDDriveCombobox=Combobox",
    "TLMDCalculatorComboBox=Combobox",
    "TLMDTrackBarComboBox=Combobox",
    "TLMDCalendarComboBox=Combobox",
    "TLMDTreeComboBox=Combobox",
    "TLMDRADIOGROUP=Radiogroup",
    "TLMDCheckGroup=CheckGroup",
    "TLMDDBRADIOGROUP=Radiogroup",
    "TLMDDBCheckGroup=CheckGroup",
    "TLMDCalculatorEdit=Edit",
    "TLMDEDIT=Edit",
    "TLMDMASKEDIT=Edit",
    "TLMDBROWSEEDIT=Edit",
    "TLMDEXTSPINEDIT=Edit",
    "TLMDCALENDAREDIT=Edit",
    "TLMDFILEOPENEDIT=Edit",
    "TLMDFILESAVEEDIT=Edit",
    "TLMDCOLOREDIT=Edit",
    "TLMDDBEDIT=Edit",
    "TLMDDBMASKEDIT=Edit",
    "TLMDDBEXTSPINEDIT=Edit",
    "TLMDDBSPINEDIT=Edit",
    "TLMDDBEDITDBLookup=Edit",
    "TLMDEDITDBLookup=Edit",
    "TDBLookupCombobox=Combobox",
    "TWWDBCombobox=combobox",
    "TWWDBLookupCombo=combobox",
    "TWWDBCombobox=combobox",
    "TWWKeyCombo=combobox",
    "TWWTempKeyCombo=combobox",
    "TWWDBDateTimePicker=combobox",
    "TWWRADIOGROUP=radiogroup",
    "TWWDBEDIT=edit",
    "TcxButton=bitbtn",
    "TcxDBRadioGroup=radiogroup",
    "TcxRadioGroup=radiogroup",
    "TcxGroupbox=groupbox",
    "TOVCPICTUREFIELD=Edit",
    "TOVCDBPICTUREFIELD=Edit",
    "TOVCSLIDEREDIT=Edit",
    "TOVCDBSLIDEREDIT=Edit",
    "TOVCSIMPLEFIELD=Edit",
    "TOVCDBSIMPLEFIELD=Edit",
    "TO32DBFLEXEDIT=Edit",
    "TOVCNUMERICFIELD=Edit",
    "TOVCDBNUMERICFIELD=Edit",
};

TSkinControlTypes AllSkinControlsButMenuItem()
{
    TSkinControlTypes set;
    for (int i = xcMainMenu; i <= xcSystemMenu; ++i)
        if (i != xcMenuItem) set.Include(static_cast<TSkinControlType>(i));
    return set;
}

void ShowMessageToUser(const std::string& text)
{
    if (TSkinData::ShowSkinMessage) {
        TSkinData::ShowSkinMessage(text);
        return;
    }
    if (Application)
        Application->MessageBox(text, Application->Title, MB_OK);
    else
        ::MessageBoxA(nullptr, text.c_str(), "", MB_OK);
}

// What the platform may lack, looked up once.
struct TUser32 {
    using GetScrollBarInfoFn = BOOL(WINAPI*)(HWND, LONG, PSCROLLBARINFO);
    using TrackMouseEventFn = BOOL(WINAPI*)(LPTRACKMOUSEEVENT);
    GetScrollBarInfoFn GetScrollBarInfo = nullptr;
    TrackMouseEventFn TrackMouseEvent = nullptr;

    TUser32()
    {
        // user32 is loaded in every GUI process, so its handle stays valid.
        if (HMODULE user32 = ::GetModuleHandleA("user32.dll")) {
            GetScrollBarInfo = reinterpret_cast<GetScrollBarInfoFn>(
                reinterpret_cast<void*>(::GetProcAddress(user32, "GetScrollBarInfo")));
            TrackMouseEvent = reinterpret_cast<TrackMouseEventFn>(
                reinterpret_cast<void*>(::GetProcAddress(user32, "TrackMouseEvent")));
        }
    }
};

const TUser32& User32()
{
    static const TUser32 user32;
    return user32;
}

} // namespace

// ---------------------------------------------------------------------------
// TSkinData

const TClassInfo& TSkinData::StaticClass()
{
    auto ignore = [](TSkinData&, const std::string&) {};
    // Nothing is marked as a stored default: forms write every property.
    static const TClassInfo& info =
        PublishClass<TSkinData>()
            .Enum("Active", &TSkinData::GetActive, &TSkinData::SetActive)
            .Int("DisableTag", &TSkinData::DisableTag, &TSkinData::DisableTag)
            .Set("SkinControls", &TSkinData::SkinControls, &TSkinData::SkinControls)
            .Set("Options", &TSkinData::Options, &TSkinData::Options)
            .Strings("Skin3rd", &TSkinData::Skin3rd, &TSkinData::SetSkin3rd)
            .String("SkinFile", &TSkinData::GetSkinFile, &TSkinData::SetSkinFile)
            .NoDefault()
            .String("SkinStore", &TSkinData::GetSkinStore, ignore)
            .NoDefault()
            .Enum("SkinFormtype", &TSkinData::SkinFormtype, &TSkinData::SkinFormtype)
            .String("Version", &TSkinData::GetVersion, ignore)
            .NoDefault()
            .Enum("MenuUpdate", &TSkinData::MenuUpdate, &TSkinData::MenuUpdate)
            .Enum("MenuMerge", &TSkinData::MenuMerge, &TSkinData::MenuMerge)
            .Event("OnFormSkin", &TSkinData::OnFormSkin)
            .Event("OnSkinChanged", &TSkinData::OnSkinChanged)
            .Event("OnSkinControl", &TSkinData::OnSkinControl)
            .Event("OnBeforeSkinForm", &TSkinData::OnBeforeSkinForm)
            .Event("OnAfterSkinForm", &TSkinData::OnAfterSkinForm);
    return info;
}

TSkinObjects::TSkinObjects()
{
    Title = std::make_unique<TDataSkinTitle>("Personality");
    Button = std::make_unique<TDataSkinButton>("Buttons");
    BorderLeft = std::make_unique<TDataSkinBorder>("Left");
    BorderRight = std::make_unique<TDataSkinBorder>("Right");
    BorderTop = std::make_unique<TDataSkinBorder>("Top");
    BorderBottom = std::make_unique<TDataSkinBorder>("Bottom");

    // Until a skin says otherwise, the system's own scheme.
    Colors[csText] = clWindowText;
    Colors[csTitleTextActive] = clCaptionText;
    Colors[csTitleTextNoActive] = clInactiveCaptionText;
    Colors[csButtonFace] = clBtnFace;
    Colors[csButtonText] = clBtnText;
    Colors[csButtonHilight] = clBtnHighlight;
    Colors[csButtonlight] = clBtnHighlight;
    Colors[csButtonShadow] = clBtnShadow;
    Colors[csButtonDkshadow] = cl3DDkShadow;
    Colors[csSelectText] = clHighlightText;
    Colors[csSelectBg] = clHighlight;
    Colors[csHilightText] = clHighlightText;
    Colors[csHilight] = clHighlight;
    Colors[csMenuBar] = clBtnFace;
    Colors[csMenuBarText] = clMenuText;
    Colors[csMenuText] = clMenuText;
    Colors[csMenubg] = clMenu;
    Colors[csCaption] = clBtnFace;
    Colors[csScrollbar] = clScrollBar;
    Colors[csTextDisable] = clGrayText;
}

TSkinData::TSkinData(TComponent* AOwner)
    : TComponent(AOwner), SkinControls(AllSkinControlsButMenuItem()), Options{xoPreview, xoToolbarBK}
{
    MenuImages = std::make_unique<TImageList>(nullptr);
    LoadMenuImages();
    for (const char* row : kBuiltinSkin3rd)
        skin3rd_.Add(row);
}

TSkinData::~TSkinData()
{
    LeaveManager();
}

std::string TSkinData::GetSkinStore() const
{
    return ComponentState().Contains(csDesigning) && skinStream_.GetSize() > 0 ? "(Good)" : "(none)";
}

void TSkinData::SetActive(bool value)
{
    if (value == active_) return;
    const TComponentState state = ComponentState();
    if (state.Contains(csDesigning) || state.Contains(csLoading) || state.Contains(csReading)) {
        active_ = value; // Loaded decides
        return;
    }
    if (SkinFormtype != sfMainform && SkinFormtype != sfOnlyThisForm) {
        active_ = value;
        return;
    }
    // Without a skin there is nothing to switch on.
    if (value && NotLoaded) return;
    active_ = value;
    RequestAction(value ? 1 : 2);
    // Switching on at run time puts the manager in use, so the action runs
    // on its timer instead of waiting for the next activation.
    if (value && SkinFormtype == sfMainform) MarkManagerInUse();
}

void TSkinData::Loaded()
{
    TComponent::Loaded();
    if (ComponentState().Contains(csDesigning)) return;
    RegisterWithManager();
    if (SkinFormtype != sfMainform) return;
    if (active_) {
        // A form whose skin did not load opens unskinned.
        if (NotLoaded)
            active_ = false;
        else
            RequestAction(1);
    }
    AdjustSkinControls();
    MakeAppIcon();
}

void TSkinData::DefineProperties(TFiler& filer)
{
    TComponent::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "SkinStream",
        [this](TStream& s) {
            const int64_t available = s.GetSize() - s.GetPosition();
            const int32_t count = available >= 4 ? s.ReadInt32() : 0;
            skinStream_.Clear();
            if (count <= 0) return;
            // A count beyond the bytes present is a damaged layout, not a
            // reason to reserve gigabytes.
            if (count > available - 4) {
                DoDebug("SkinStream: " + std::to_string(count) + " bytes announced, " +
                        std::to_string(available - 4) + " present; no skin loaded");
                return;
            }
            skinStream_.CopyFrom(s, count);
            skinStream_.SetPosition(0);
            if (!ComponentState().Contains(csDesigning)) LoadPackage(false);
        },
        [this](TStream& s) {
            s.WriteInt32(static_cast<int32_t>(skinStream_.GetSize()));
            if (skinStream_.GetSize() > 0) s.WriteBuffer(skinStream_.Bytes().data(), skinStream_.GetSize());
        },
        true);
}

bool TSkinData::LoadSkin()
{
    return LoadPackage(false);
}

bool TSkinData::LoadReplacement(TStream& source, bool reportToUser, const std::string& origin)
{
    TMemoryStream previous;
    previous.CopyFrom(skinStream_, 0);
    skinStream_.Clear();
    source.SetPosition(0);
    skinStream_.CopyFrom(source, source.GetSize());
    skinStream_.SetPosition(0);
    if (LoadPackage(reportToUser, origin)) return true;
    // The package kept is the one the skin in use came from.
    skinStream_.Clear();
    skinStream_.CopyFrom(previous, 0);
    skinStream_.SetPosition(0);
    return false;
}

void TSkinData::LoadFromFile(const std::string& fileName)
{
    skinFile_ = fileName;
    if (ComponentState().Contains(csDesigning)) return;
    if (!FileExists(fileName)) {
        // Whoever named the file hears of it through LoadError; the windows
        // keep the skin they have.
        ReportFailure(fileName, "the file does not exist", false);
        return;
    }
    bool loaded = false;
    try {
        TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
        loaded = LoadReplacement(file, true, fileName);
    } catch (const Exception& e) {
        ReportFailure(fileName, e.Message, true);
    }
    if (loaded) UpdateSkin();
}

void TSkinData::LoadFromStream(TStream& stream)
{
    if (!LoadReplacement(stream, true, "")) return;
    if (SkinFormtype == sfMainform)
        UpdateSkin();
    else
        RefreshFrames(); // no deferred skin change follows for the other form types
}

void TSkinData::LoadFromCollection(TSkinStore* store, int index)
{
    if (!store || index < 0 || index >= store->Store()->Count()) return;
    if (LoadReplacement(store->Store()->Items(index)->DataStream(), true, "")) UpdateSkin();
}

void TSkinData::DoFormSkin(HWND, const std::string& className, bool& DoSkin)
{
    if (OnFormSkin) {
        OnFormSkin(this, className, DoSkin);
        return;
    }
    if (className == "SysMonthCal32")
        DoSkin = false;
    else if (SkinControls.Contains(xcFastReport) && className.rfind("Tfr", 0) == 0)
        DoSkin = false;
}

void TSkinData::DoSkinChanged()
{
    if (OnSkinChanged) OnSkinChanged(this);
}

void TSkinData::ReportFailure(const std::string& origin, const std::string& text, bool reportToUser)
{
    LoadError = origin.empty() ? text : origin + ": " + text;
    DoDebug(LoadError);
    if (reportToUser) ShowMessageToUser(text);
}

TColor TSkinData::GetCaptionColor()
{
    TBitmap* top = BorderTop ? BorderTop->Image.get() : nullptr;
    if (!top || top->Empty()) return Colors[csButtonFace];
    const int32_t frames = std::max(BorderTop->Frame, 1);
    return top->Canvas()->GetPixel(top->GetWidth() / 3, top->GetHeight() / frames / 3);
}

bool TSkinData::GetPrecolor(TColor& color, int index) const
{
    if (index < 0 || index >= static_cast<int>(PreColors.size())) return false;
    color = PreColors[static_cast<size_t>(index)];
    return true;
}

void TSkinData::CreateMinCaption()
{
    if (!MinCaption) MinCaption = std::make_unique<TDataSkinObject>("MinCaption");
    const TColor caption = GetCaptionColor();
    TBitmap& image = *MinCaption->Image;
    image.SetPixelFormat(pf24bit);
    image.SetSize(80, 29);
    TCanvas* c = image.Canvas();
    c->Brush()->SetColor(caption);
    c->FillRect(Rect(0, 0, 80, 29));
    c->Brush()->SetColor(Blend(clBlack, caption, 50));
    c->FrameRect(Rect(0, 0, 80, 29));
    MinCaption->Margins = Rect(3, 3, 3, 3);
    MinCaption->Frame = 1;
}

bool TSkinData::GetScrollBarInfo(HWND wnd, LONG objectId, SCROLLBARINFO& info) const
{
    if (!User32().GetScrollBarInfo) return false;
    info.cbSize = sizeof(info);
    return User32().GetScrollBarInfo(wnd, objectId, &info) != FALSE;
}

void TSkinData::MakeAppIcon()
{
    // The small icon on the key colour, so the caption draws it transparent.
    const int size = 16;
    HICON icon = nullptr;
    bool owned = false;
    if (auto* form = dynamic_cast<TCustomForm*>(Owner()); form && !form->Icon()->Empty())
        icon = form->Icon()->Handle();
    if (!icon) {
        icon = static_cast<HICON>(
            ::LoadImageA(::GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        owned = icon != nullptr;
    }
    if (!icon) icon = ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    AppIcon->SetPixelFormat(pf24bit);
    AppIcon->SetSize(size, size);
    TCanvas* c = AppIcon->Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(Rect(0, 0, size, size));
    if (icon) ::DrawIconEx(c->Handle(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    if (owned) ::DestroyIcon(icon);
    AppIcon->SetTransparentColor(clFuchsia);
    AppIcon->SetTransparent(true);
}

void TSkinData::LoadMenuImages()
{
    // Restore, maximize, minimize and close, black on white.
    TBitmap strip;
    try {
        strip.LoadFromResourceName(::GetModuleHandleA(nullptr), "SKINMENUGLYPHS");
    } catch (const Exception& e) {
        DoDebug("Menu glyphs: " + e.Message); // a program built without the skin's resources
        return;
    }
    MenuImages->SetWidth(16);
    MenuImages->SetHeight(16);
    MenuImages->AddMasked(&strip, clWhite);
}

// ---------------------------------------------------------------------------
// Free helpers the engine shares.

bool HasScrollBarInfo()
{
    return User32().GetScrollBarInfo != nullptr;
}

void DoTrackMouse(HWND wnd)
{
    if (!User32().TrackMouseEvent) return;
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = wnd;
    User32().TrackMouseEvent(&tme);
}

TWinControl* FindControlx(HWND wnd)
{
    return FindControl(wnd);
}

std::wstring StrToWideStr(const std::string& text)
{
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string WideStringToStringEx(const std::wstring& text)
{
    if (text.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string narrow(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n, nullptr,
                          nullptr);
    return narrow;
}

int Tnt_DrawTextW(HDC dc, const std::wstring& text, RECT& rect, UINT format)
{
    // Every platform this program runs on has the wide call.
    return ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

std::wstring _WStr(const wchar_t* text, int length)
{
    if (!text) return {};
    std::wstring s(text);
    if (length >= 0 && static_cast<size_t>(length) < s.size()) s.resize(static_cast<size_t>(length));
    return s;
}

// ---------------------------------------------------------------------------
// The skin store.

const TClassInfo& TSkinCollectionItem::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TSkinCollectionItem>()
            .String("Name", &TSkinCollectionItem::GetName, &TSkinCollectionItem::SetName)
            .NoDefault()
            .String("SkinData", &TSkinCollectionItem::GetSkinData,
                    [](TSkinCollectionItem&, const std::string&) {})
            .Stored(false)
            .Int("DataSize", &TSkinCollectionItem::DataSize, nullptr)
            .Stored(false);
    return info;
}

TSkinCollectionItem::TSkinCollectionItem(TSkinCollection* collection, int id)
    : collection_(collection), id_(id), name_("SkinItem" + std::to_string(id))
{
}

void TSkinCollectionItem::SetName(const std::string& value)
{
    if (value == name_) return;
    for (int i = 0; collection_ && i < collection_->Count(); ++i)
        if (collection_->Items(i) != this && collection_->Items(i)->GetName() == value)
            throw Exception("The name " + value + " is already used.");
    name_ = value;
}

void TSkinCollectionItem::LoadFromFile(const std::string& fileName)
{
    data_.LoadFromFile(fileName);
}

void TSkinCollectionItem::Assign(const TPersistent* source)
{
    auto* item = dynamic_cast<const TSkinCollectionItem*>(source);
    if (!item) {
        TPersistent::Assign(source);
        return;
    }
    if (item == this) return;
    name_ = item->name_;
    data_.Clear();
    if (item->data_.GetSize() > 0) data_.WriteBuffer(item->data_.Bytes().data(), item->data_.GetSize());
    data_.SetPosition(0);
}

void TSkinCollectionItem::DefineProperties(TFiler& filer)
{
    filer.DefineBinaryProperty(
        "DataStream",
        [this](TStream& s) {
            data_.Clear();
            data_.CopyFrom(s, s.GetSize() - s.GetPosition());
            data_.SetPosition(0);
        },
        [this](TStream& s) {
            if (data_.GetSize() > 0) s.WriteBuffer(data_.Bytes().data(), data_.GetSize());
        },
        data_.GetSize() > 0);
}

const TClassInfo& TSkinCollection::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinCollection>();
    return info;
}

TSkinCollectionItem* TSkinCollection::Add()
{
    items_.push_back(std::make_unique<TSkinCollectionItem>(this, nextId_++));
    return items_.back().get();
}

void TSkinCollection::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    items_.erase(items_.begin() + index);
}

void TSkinCollection::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TSkinCollection*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    items_.clear();
    for (int i = 0; i < other->Count(); ++i)
        Add()->Assign(other->Items(i));
}

const TClassInfo& TSkinStore::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TSkinStore>().Object("Store", &TSkinStore::Store, &TSkinStore::SetStore);
    return info;
}

void TSkinStore::DefineProperties(TFiler& filer)
{
    TComponent::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Items", [this](TStream& s) { ReadItems(s); }, [this](TStream& s) { WriteItems(s); },
        store_.Count() > 0);
}

namespace {

// A 32-bit count that must not promise more bytes than are left.
int32_t ReadCount(TStream& s, int64_t unit = 1)
{
    const int32_t n = s.ReadInt32();
    if (n < 0 || n > (s.GetSize() - s.GetPosition()) / unit) throw EReadError("Skin store data is damaged");
    return n;
}

} // namespace

void TSkinStore::ReadItems(TStream& stream)
{
    TSkinCollection read;
    const int32_t count = ReadCount(stream, 8);
    for (int32_t i = 0; i < count; ++i) {
        TSkinCollectionItem* item = read.Add();
        std::string name(static_cast<size_t>(ReadCount(stream)), '\0');
        stream.ReadBuffer(name.data(), static_cast<int64_t>(name.size()));
        item->SetName(name);
        const int32_t size = ReadCount(stream);
        if (size > 0) item->DataStream().CopyFrom(stream, size);
        item->DataStream().SetPosition(0);
    }
    store_.Assign(&read);
}

void TSkinStore::WriteItems(TStream& stream)
{
    stream.WriteInt32(store_.Count());
    for (int i = 0; i < store_.Count(); ++i) {
        TSkinCollectionItem* item = store_.Items(i);
        stream.WriteInt32(static_cast<int32_t>(item->GetName().size()));
        stream.WriteBuffer(item->GetName().data(), static_cast<int64_t>(item->GetName().size()));
        TMemoryStream& data = item->DataStream();
        stream.WriteInt32(static_cast<int32_t>(data.GetSize()));
        if (data.GetSize() > 0) stream.WriteBuffer(data.Bytes().data(), data.GetSize());
    }
}
