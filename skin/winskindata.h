// TSkinData: the component a form carries to have its windows painted by the
// skin engine. It holds a skin package, turns the package's skin ini into
// skin objects, colours and a few generated images, and keeps the settings
// that tell the engine what to skin. The engine reads the objects and
// colours here directly and never copies them. Win32 only.
//
// TSkinStore keeps several packages in a form for skins chosen at run time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/component.h"
#include "framework/gdiobj.h"
#include "framework/graphics.h"

class TCustomForm;

class TControl;
class TWinControl;
class TQuickIni;
class TSkinReader;
class TSkinData;
class TSkinStore;
struct TSkinObjectValues;
struct TSkinIniValues;
struct TSkinBoxLabelValues;
struct TSkinTitleValues;

ORVANE_ENUM(TSkinControlType, xcMainMenu, xcPopupMenu, xcMenuItem, xcToolbar, xcControlbar, xcCombo,
            xcCheckBox, xcRadioButton, xcProgress, xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton,
            xcSpin, xcPanel, xcGroupBox, xcStatusBar, xcTab, xcTrackBar, xcSystemMenu, xcFastReport)
using TSkinControlTypes = TSet<TSkinControlType>;
ORVANE_ENUM(TSkinOption, xoMDIScrollbar, xoMenuMerge, xoTransparent, xoPreview, xoParentBackGround,
            xoNoFocusRect, xoToolbarBK, xoToolbarButton, xoMDIChildBorder, xoMenuBG, xoFormScrollbar)
using TSkinOptions = TSet<TSkinOption>;
ORVANE_ENUM(TSkinFormType, sfMainform, sfOnlyThisForm, sfDialog, sfDLL)
ORVANE_ENUM(TShemeColor, csText, csTitleTextActive, csTitleTextNoActive, csButtonFace, csButtonText,
            csButtonHilight, csButtonlight, csButtonShadow, csButtonDkshadow, csSelectText, csSelectBg,
            csHilightText, csHilight, csMenuBar, csMenuBarText, csMenuText, csMenubg, csCaption, csScrollbar,
            csTextDisable)
constexpr int ShemeColorCount = csTextDisable + 1;

ORVANE_EVENT(TOnFormSkin, void(TObject* Sender, const std::string& aName, bool& DoSkin));
ORVANE_EVENT(TOnSkinControl, void(TComponent* Sender, TSkinData* SkinData, TControl* Form, TControl* Control,
                                  const std::string& ControlClass, TComponent*& SkinnedControl));
ORVANE_EVENT(TOnSkinForm, void(TObject* Sender, HWND ahwnd, const std::string& aName));

// ---------------------------------------------------------------------------
// Skin objects: one image of N state frames with the way to draw it.

class TDataSkinObject {
public:
    explicit TDataSkinObject(std::string name) : Name(std::move(name)) {}
    virtual ~TDataSkinObject() = default;
    TDataSkinObject(const TDataSkinObject&) = delete;
    TDataSkinObject& operator=(const TDataSkinObject&) = delete;

    // Edge sizes (left, top, right, bottom) that are never stretched.
    TRect Margins;
    std::unique_ptr<TBitmap> Image = std::make_unique<TBitmap>(); // never null
    int32_t Trans = 0;                                            // drawn with the key colour left out
    // 1 tiles the middle, 0 stretches it. The borders and the menu bar read
    // it the other way round: 1 stretches, anything else tiles.
    int32_t Tile = 0;
    std::string Name; // the ini section (or built-in name) it came from
    int32_t Frame = 0;
    int32_t Style = 0;
    int32_t NormalColour = -1, MouseOverColour = -1, PressedColour = -1;
    TColor NormalColour2 = clBtnText, MouseOverColour2 = clBtnText, PressedColour2 = clBtnText;
};

class TDataSkinBorder : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    std::unique_ptr<TBitmap> Image2 = std::make_unique<TBitmap>();
};

class TDataSkinButton : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    std::unique_ptr<TBitmap> CheckImage = std::make_unique<TBitmap>();
    std::unique_ptr<TBitmap> RadioImage = std::make_unique<TBitmap>();
    int32_t RadioFrame = 0, CheckFrame = 0;
    bool NormalColour2Given = false, MouseOverColour2Given = false, PressedColour2Given = false;
};

class TDataSkinTitle : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    int32_t TextAlignment = 0; // 0 left, 1 centre, 2 right
    int32_t TextBackground = 0;
    int32_t FontHeight = 14;
    int32_t TXTBackleft = 0, TXTBackRight = 0;
    TColor ActiveTextColor = clNone, InActiveTextColor = clNone;
};

class TDataSkinSysButton : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    int32_t Action = 0, Align = 0, Xcoord = 0, Ycoord = 0, CombineOp = -1, Visibility = 0, Visibility1 = 0;
};

class TDataSkinBoxLabel : public TDataSkinObject {
public:
    using TDataSkinObject::TDataSkinObject;
    int32_t BackgroundLeftShift = 0, BackgroundRightShift = 0, BackgroundAlignment = 0;
};

// ---------------------------------------------------------------------------
// What one load makes. A load builds a complete set aside and puts it in
// place as a whole, or drops it and keeps the set in use: the engine never
// sees half a skin, and a failed load frees nothing a window still points
// into.

struct TSkinObjects {
    // The objects marked "always" below, empty, and the system's colours.
    TSkinObjects();
    TSkinObjects(TSkinObjects&&) noexcept = default;
    TSkinObjects& operator=(TSkinObjects&&) noexcept = default;

    // Objects marked "always" exist from creation (or from the first load)
    // on; the others are null while the skin gives them no image.
    std::unique_ptr<TDataSkinTitle> Title; // always
    std::vector<std::unique_ptr<TDataSkinSysButton>> SysButtons;
    std::unique_ptr<TDataSkinButton> Button;                                           // always
    std::unique_ptr<TDataSkinBorder> BorderLeft, BorderRight, BorderTop, BorderBottom; // always
    std::unique_ptr<TDataSkinBorder> Tabs, UpDownHorz, UpDownVert, ComboButton, Progress;
    std::unique_ptr<TDataSkinObject> SunkEdge, ExtraImages, ComboArrow, GroupBoxEdge, Toolbar, ToolBars;
    std::unique_ptr<TDataSkinObject> ProgressChunk, StatusBarEdges, TabPane, Headerbar, MenuBar, MenuItem,
        MenuBackground, Scrollbar, HorzScroll, VertScroll, HorzScrollThumb, VertScrollThumb;
    std::unique_ptr<TDataSkinObject> TrackThumbHorz, TrackThumbVert, TrackThumbLeft, TrackThumbRight,
        TrackThumbUp, TrackThumbDown;
    std::unique_ptr<TDataSkinObject> Track, TrackVert;
    std::unique_ptr<TDataSkinBoxLabel> GroupBox;

    std::array<TColor, ShemeColorCount> Colors{};
    std::array<bool, ShemeColorCount> ColorGiven{};
    std::vector<TColor> PreColors;
    // Solid, in the button-face colour; forms' backgrounds are filled with it.
    TBrushHandle BackBrushHandle;
};

// ---------------------------------------------------------------------------

class TSkinData : public TComponent, public TSkinObjects {
    ORVANE_CLASS(TSkinData, TComponent)
    explicit TSkinData(TComponent* AOwner);
    ~TSkinData() override;

    // Published properties.
    bool GetActive() const { return active_; }
    void SetActive(bool value);
    int32_t DisableTag = 99;
    TSkinControlTypes SkinControls;
    TSkinOptions Options;
    TStrings& Skin3rd() { return skin3rd_; }
    void SetSkin3rd(const TStrings& value) { skin3rd_.Assign(value); }
    const std::string& GetSkinFile() const { return skinFile_; }
    void SetSkinFile(const std::string& value) { LoadFromFile(value); }
    // "(Good)" while designed with a package, "(none)" otherwise; setting
    // it changes nothing (forms store "(Good)").
    std::string GetSkinStore() const;
    TSkinFormType SkinFormtype = sfMainform;
    std::string GetVersion() const { return "5.03.07.12"; }
    bool MenuUpdate = true;
    bool MenuMerge = false;
    TOnFormSkin OnFormSkin;
    TNotifyEvent OnSkinChanged;
    TOnSkinControl OnSkinControl;
    TOnSkinForm OnBeforeSkinForm;
    TOnSkinForm OnAfterSkinForm;

    // "SkinStream": a 32-bit byte count, then the package.
    void DefineProperties(TFiler& filer) override;
    void Loaded() override;

    // Reads the held package into skin objects. False when the package is
    // refused or a bitmap in it cannot be read: the skin in use before (if
    // any) then stays in use, whole, NotLoaded keeps its value and
    // LoadError says why. Does nothing while designing.
    bool LoadSkin();
    // Replace the package and load it. A package that does not load leaves
    // the held package and the skin as they were; so does a file that does
    // not exist (quietly: only LoadError tells).
    void LoadFromFile(const std::string& fileName);
    void LoadFromStream(TStream& stream);
    void LoadFromCollection(TSkinStore* store, int index);
    // Why the last load failed, for whoever offered the skin: the package
    // file when there is one, the file inside it and the reason. Empty after
    // a load that succeeded.
    std::string LoadError;
    // The held package (packed), as SkinStream stores it.
    TMemoryStream& SkinStream() { return skinStream_; }

    void DoFormSkin(HWND wnd, const std::string& className, bool& DoSkin);
    void DoSkinChanged();
    // Diagnostics; the last text is kept for whoever looks.
    void DoDebug(const std::string& text) { LastDebug = text; }
    std::string LastDebug;

    TColor GetCaptionColor();
    // The platform's scroll-bar information when the platform offers it.
    bool GetScrollBarInfo(HWND wnd, LONG objectId, SCROLLBARINFO& info) const;
    bool GetPrecolor(TColor& color, int index) const;
    void CreateMinCaption();
    void UpdateMainMenu(bool flag) { MainMenuUpdate = flag; }

    // What the component asks of the skin manager (winskindatamanage.cpp).
    void UpdateSkin();
    void Install() { RequestAction(1); }
    void Uninstall() { RequestAction(2); }
    void ChangeForm(TCustomForm* form);
    void SkinForm(HWND wnd);
    void EnableSkin(bool flag);
    void InstallThread(DWORD threadId);
    void UnInstallThread(DWORD threadId);

    // The skin objects, colours and brush the engine reads are the
    // TSkinObjects this class derives from. Made only on request, never by
    // a load:
    std::unique_ptr<TDataSkinObject> MinCaption;
    HBRUSH BackBrush() const { return BackBrushHandle.Get(); }
    std::unique_ptr<TBitmap> AppIcon = std::make_unique<TBitmap>();
    std::unique_ptr<TImageList> MenuImages;
    bool NotLoaded = true;
    bool MainMenuUpdate = true;

    // How run-time failures reach the user (a message box unless replaced,
    // e.g. by tests).
    static std::function<void(const std::string&)> ShowSkinMessage;

private:
    // The two halves of a load (winskindataload.cpp). origin names the
    // package in LoadError (a file name, or empty).
    bool LoadPackage(bool reportToUser, const std::string& origin = "");
    // Replaces the held package with source's bytes and loads it; the old
    // bytes come back when the new ones do not load.
    bool LoadReplacement(TStream& source, bool reportToUser, const std::string& origin);
    void LoadFromIni(TSkinReader& reader, TQuickIni& ini);
    // Loads an image the ini names, out of the package and within what is
    // left of the pixel budget.
    void Readbmp(TBitmap& bitmap, const std::string& reference);
    static void Apply(const TSkinObjectValues& values, TDataSkinObject& obj);
    // The object a section describes, with its image; null for a section
    // that names no image.
    template <class T>
    std::unique_ptr<T> NewObject(const std::string& section, const TSkinObjectValues& values);
    // NewObject for a section of kSkinObjectRules, with its second image.
    template <class T> std::unique_ptr<T> ReadObject(const TSkinIniValues& ini, const std::string& section);
    void ReadBoxLabel(const TSkinBoxLabelValues& values);
    void ReadTitle(const TSkinTitleValues& values);
    void ReadTrack(std::unique_ptr<TDataSkinObject>& track, const std::string& builtinName);
    void ReadButton(const TSkinIniValues& ini);
    void ReadBord(const TSkinIniValues& ini);
    void ReadSysButton(const TSkinIniValues& ini);
    void CreateMdibtn(const TSkinIniValues& ini);
    void ReadColor(const TSkinIniValues& ini);
    void SetFrame();
    void ReBuildCombobox();
    void ReBuildComboxArrow();
    void RebuildToolbar();

    // LoadError and DoDebug, and a message (text alone) for a skin the user
    // chose at run time.
    void ReportFailure(const std::string& origin, const std::string& text, bool reportToUser);
    void MakeAppIcon();
    void LoadMenuImages();

    // The skin manager's side of the life cycle (winskindatamanage.cpp):
    // registering with it (Loaded, destruction), Loaded's adjustments of
    // SkinControls, and the deferred numbered actions (1 skin on, 2 skin
    // off, 3 skin changed, 7 re-skin one form) it runs 250 ms after they
    // are asked for.
    void RegisterWithManager();
    void LeaveManager();
    void AdjustSkinControls();
    void RequestAction(int action);
    void MarkManagerInUse();
    // After a load put new objects in place, before the old ones go: every
    // frame painting with this component drops what it holds of the old
    // objects and takes the new ones.
    void RebindFrames();
    // Has those frames take the new skin as a whole (colours, non-client
    // size), for loads that no deferred skin change follows.
    void RefreshFrames();

    bool active_ = false;
    TSkinReader* reader_ = nullptr; // the package being loaded, for Readbmp
    int64_t pixelsLeft_ = 0;        // of the budget of the load under way
    TStringList skin3rd_;
    std::string skinFile_;
    TMemoryStream skinStream_;
};

// ---------------------------------------------------------------------------
// Several packages kept in a form.

class TSkinCollection;

class TSkinCollectionItem : public TPersistent {
    ORVANE_CLASS(TSkinCollectionItem, TPersistent)
    TSkinCollectionItem(TSkinCollection* collection, int id);

    const std::string& GetName() const { return name_; }
    // Names are unique within the collection (letter case counts); a taken
    // one raises Exception "The name X is already used."
    void SetName(const std::string& value);
    std::string GetSkinData() const { return "Load Skin"; }
    int64_t DataSize() const { return data_.GetSize(); }
    int ID() const { return id_; }
    TMemoryStream& DataStream() { return data_; }
    void LoadFromFile(const std::string& fileName);

    void Assign(const TPersistent* source) override; // name and bytes
    void DefineProperties(TFiler& filer) override;   // "DataStream"

private:
    TSkinCollection* collection_;
    int id_;
    std::string name_;
    TMemoryStream data_;
};

class TSkinCollection : public TPersistent {
    ORVANE_CLASS(TSkinCollection, TPersistent)
    TSkinCollection() = default;

    TSkinCollectionItem* Add();
    int Count() const { return static_cast<int>(items_.size()); }
    TSkinCollectionItem* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
    void Delete(int index);
    void Clear() { items_.clear(); }
    void Assign(const TPersistent* source) override;

private:
    std::vector<std::unique_ptr<TSkinCollectionItem>> items_;
    int nextId_ = 0;
};

class TSkinStore : public TComponent {
    ORVANE_CLASS(TSkinStore, TComponent)
    explicit TSkinStore(TComponent* AOwner) : TComponent(AOwner) {}

    TSkinCollection* Store() { return &store_; }
    void SetStore(const TSkinCollection* value) { store_.Assign(value); }
    // Layouts have no collection syntax: the items travel as one binary
    // property "Items" (count, then per item its name and package bytes).
    void DefineProperties(TFiler& filer) override;

private:
    void ReadItems(TStream& stream);
    void WriteItems(TStream& stream);
    TSkinCollection store_;
};

// ---------------------------------------------------------------------------
// Platform helpers the engine shares. Functions a platform may lack are
// looked up at run time and answer false (or do nothing) without it.

bool HasScrollBarInfo();
void DoTrackMouse(HWND wnd);
TWinControl* FindControlx(HWND wnd);
std::wstring StrToWideStr(const std::string& text);
std::string WideStringToStringEx(const std::wstring& text);
int Tnt_DrawTextW(HDC dc, const std::wstring& text, RECT& rect, UINT format);
std::wstring _WStr(const wchar_t* text, int length);
