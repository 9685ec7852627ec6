// TSkinData: from a skin package to skin objects. The package's ini says
// which bitmap draws which part of a window, how many state frames each
// holds and which edges keep their size; a few images are generated from
// the others (the combo box strips, the tool-bar gradient).
#include <new>
#include <type_traits>

#include "skin/imgutil.h"
#include "skin/winskindata.h"
#include "skin/winskinimage.h"
#include "skinfiles/skinread.h"
#include "skinfiles/skinvalues.h"
#include "skinfiles/winskinini.h"

namespace {

const char* const kPersonality = "Personality";

// A new 24-bit bitmap of the given size, filled with colour.
void FreshBitmap(TBitmap& bitmap, int32_t width, int32_t height, TColor color)
{
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(width, height);
    TCanvas* c = bitmap.Canvas();
    c->Brush()->SetColor(color);
    c->FillRect(Rect(0, 0, width, height));
}

// dest becomes a 24-bit copy of source's rectangle part.
void CopyPart(TBitmap& dest, TBitmap& source, const TRect& part)
{
    FreshBitmap(dest, part.Width(), part.Height(), clBlack);
    dest.Canvas()->CopyRect(Rect(0, 0, part.Width(), part.Height()), source.Canvas(), part);
}

std::unique_ptr<TBitmap> CopyOf(TBitmap& source)
{
    auto copy = std::make_unique<TBitmap>();
    if (!source.Empty()) CopyPart(*copy, source, Rect(0, 0, source.GetWidth(), source.GetHeight()));
    return copy;
}

} // namespace

// ---------------------------------------------------------------------------
// The load as a whole.

bool TSkinData::LoadPackage(bool reportToUser, const std::string& origin)
{
    if (ComponentState().Contains(csDesigning)) return false;
    const bool wasLoaded = !NotLoaded;
    NotLoaded = true;
    TSkinReader reader;
    skinStream_.SetPosition(0);
    if (!reader.Loadfromstream(skinStream_)) {
        NotLoaded = !wasLoaded;
        // An unknown format or a damaged package: the user is told either way.
        ReportFailure(origin, reader.LastError, true);
        return false;
    }
    TMemoryStream scratch;
    std::string iniName;
    reader.readIni(".ini", scratch, iniName);
    scratch.SetPosition(0);
    TQuickIni ini;
    ini.LoadFromStream(&scratch);

    // The new set is built in place of the one in use, which waits aside
    // (its objects stay where the frames' pointers expect them) until the
    // new one is complete. Colours no load reads carry over.
    TSkinObjects previous;
    previous.Colors = Colors;
    std::swap(static_cast<TSkinObjects&>(*this), previous);
    std::string failure;
    try {
        LoadFromIni(reader, ini);
    } catch (const Exception& e) {
        failure = e.Message;
    } catch (const std::bad_alloc&) {
        failure = "an image is too large for the memory left";
    }
    if (!failure.empty()) {
        // A bitmap that cannot be decoded must not stop the form from opening
        // nor take a skin in use away: the windows keep what they show.
        std::swap(static_cast<TSkinObjects&>(*this), previous);
        NotLoaded = !wasLoaded;
        ReportFailure(origin, "The skin cannot be loaded: " + failure, reportToUser);
        return false;
    }
    NotLoaded = false;
    LoadError.clear();
    RebindFrames();
    return true; // the old objects go with `previous`, which nothing points into now
}

void TSkinData::LoadFromIni(TSkinReader& reader, TQuickIni& ini)
{
    struct ReaderScope {
        TSkinReader*& slot;
        ~ReaderScope() { slot = nullptr; }
    } scope{reader_ = &reader};
    pixelsLeft_ = kSkinPixelBudget;
    const TSkinIniValues v = ReadSkinIni(ini);

    ReadBord(v);
    ReadColor(v);
    ReadSysButton(v);
    ReadButton(v);
    ReadTitle(v.Title);
    Progress = NewObject<TDataSkinBorder>("Progress", v.Progress);
    ProgressChunk = ReadObject<TDataSkinObject>(v, "Progress.Chunk");
    MenuBar = NewObject<TDataSkinObject>(kPersonality, v.MenuBar);
    GroupBoxEdge = ReadObject<TDataSkinObject>(v, "GroupBoxEdge");
    ReadBoxLabel(v.GroupBox);
    Tabs = ReadObject<TDataSkinBorder>(v, "Tabs");
    StatusBarEdges = ReadObject<TDataSkinObject>(v, "StatusBarEdges");
    TabPane = ReadObject<TDataSkinObject>(v, "Tab.Pane");
    if (TabPane) {
        // Wider tab-sheet edges would eat into the page's controls.
        TRect& m = TabPane->Margins;
        for (int32_t* edge : {&m.Left, &m.Top, &m.Right, &m.Bottom})
            if (*edge > 4) *edge = 4;
    }

    ToolBars = ReadObject<TDataSkinObject>(v, "ToolBars");
    ComboButton = ReadObject<TDataSkinBorder>(v, "ComboButton");
    SunkEdge = ReadObject<TDataSkinObject>(v, "SunkEdge");
    if (ComboButton && !ComboButton->Image->Empty()) {
        ComboButton->Image2 = CopyOf(*ComboButton->Image);
        SpiegelnHorizontal(ComboButton->Image2.get());
    }

    ExtraImages = ReadObject<TDataSkinObject>(v, "ExtraImages");
    Headerbar = ReadObject<TDataSkinObject>(v, "Headerbar");
    MenuItem = ReadObject<TDataSkinObject>(v, "MenuItem");
    MenuBackground = ReadObject<TDataSkinObject>(v, "MenuBackground");
    Scrollbar = ReadObject<TDataSkinObject>(v, "Scrollbar");
    HorzScroll = ReadObject<TDataSkinObject>(v, "HorzScroll");
    VertScroll = ReadObject<TDataSkinObject>(v, "VertScroll");
    HorzScrollThumb = ReadObject<TDataSkinObject>(v, "HorzScrollThumb");
    VertScrollThumb = ReadObject<TDataSkinObject>(v, "VertScrollThumb");
    TrackThumbHorz = ReadObject<TDataSkinObject>(v, "Trackbar.ThumbHorz");
    TrackThumbVert = ReadObject<TDataSkinObject>(v, "Trackbar.ThumbVert");
    TrackThumbLeft = ReadObject<TDataSkinObject>(v, "Trackbar.ThumbLeft");
    TrackThumbRight = ReadObject<TDataSkinObject>(v, "Trackbar.ThumbRight");
    TrackThumbUp = ReadObject<TDataSkinObject>(v, "Trackbar.ThumbUp");
    TrackThumbDown = ReadObject<TDataSkinObject>(v, "Trackbar.ThumbDown");
    UpDownHorz = ReadObject<TDataSkinBorder>(v, "UpDown.Horz");
    UpDownVert = ReadObject<TDataSkinBorder>(v, "UpDown.Vert");
    Track = ReadObject<TDataSkinObject>(v, "Track");
    TrackVert = ReadObject<TDataSkinObject>(v, "TRACKVERT");
    ReadTrack(Track, "TRACK");
    ReadTrack(TrackVert, "TRACKVERT");

    SetFrame();
    ReBuildCombobox();
    ReBuildComboxArrow();
    RebuildToolbar();
    Colors[csCaption] = GetCaptionColor();
    BackBrushHandle.Reset(::CreateSolidBrush(ColorToRGB(Colors[csButtonFace])));
}

// ---------------------------------------------------------------------------
// Readers.

void TSkinData::Readbmp(TBitmap& bitmap, const std::string& reference)
{
    const std::string name = SkinImageName(reference);
    TMemoryStream data;
    if (!name.empty() && reader_) reader_->readfile(name, data);
    if (data.GetSize() == 0) {
        bitmap.FreeImage();
        return;
    }
    data.SetPosition(0);
    try {
        // The decoder refuses what the budget cannot pay for before it
        // allocates anything.
        bitmap.LoadFromStream(data, pixelsLeft_);
    } catch (const Exception& e) {
        std::string why = name + ": " + e.Message;
        if (pixelsLeft_ < kSkinPixelBudget)
            why += "; the images of a skin may hold " + std::to_string(kSkinPixelBudget) + " pixels in all";
        throw EInvalidGraphic(why);
    }
    pixelsLeft_ -= int64_t{bitmap.GetWidth()} * bitmap.GetHeight();
}

void TSkinData::Apply(const TSkinObjectValues& v, TDataSkinObject& obj)
{
    obj.Margins = Rect(v.Margins.Left, v.Margins.Top, v.Margins.Right, v.Margins.Bottom);
    obj.Style = v.Style;
    obj.Frame = v.Frame;
    obj.Trans = v.Trans;
    obj.Tile = v.Tile;
    obj.NormalColour = v.NormalColour;
    obj.MouseOverColour = v.MouseOverColour;
    obj.PressedColour = v.PressedColour;
    obj.NormalColour2 = v.NormalColour2;
    obj.MouseOverColour2 = v.MouseOverColour2;
    obj.PressedColour2 = v.PressedColour2;
}

template <class T>
std::unique_ptr<T> TSkinData::NewObject(const std::string& section, const TSkinObjectValues& v)
{
    // A section that names no image makes no object.
    if (v.Image.empty()) return nullptr;
    auto obj = std::make_unique<T>(section);
    Readbmp(*obj->Image, v.Image);
    Apply(v, *obj);
    return obj;
}

template <class T>
std::unique_ptr<T> TSkinData::ReadObject(const TSkinIniValues& ini, const std::string& section)
{
    const TSkinObjectValues& v = *ini.Object(section);
    auto obj = NewObject<T>(section, v);
    if constexpr (std::is_base_of_v<TDataSkinBorder, T>)
        if (obj && !v.Image2.empty()) Readbmp(*obj->Image2, v.Image2);
    return obj;
}

void TSkinData::ReadBoxLabel(const TSkinBoxLabelValues& v)
{
    GroupBox = NewObject<TDataSkinBoxLabel>("GroupBox", v);
    if (!GroupBox) return;
    GroupBox->BackgroundAlignment = v.BackgroundAlignment;
    GroupBox->BackgroundLeftShift = v.BackgroundLeftShift;
    GroupBox->BackgroundRightShift = v.BackgroundRightShift;
}

void TSkinData::ReadTitle(const TSkinTitleValues& v)
{
    TDataSkinTitle& t = *Title;
    Readbmp(*t.Image, v.Image);
    t.Margins = Rect(v.Margins.Left, v.Margins.Top, v.Margins.Right, v.Margins.Bottom);
    t.TextAlignment = v.TextAlignment;
    t.TextBackground = v.TextBackground;
    t.FontHeight = v.FontHeight;
    t.TXTBackleft = v.TXTBackleft;
    t.TXTBackRight = v.TXTBackRight;
    t.ActiveTextColor = v.ActiveTextColor;
    t.InActiveTextColor = v.InActiveTextColor;
}

void TSkinData::ReadTrack(std::unique_ptr<TDataSkinObject>& track, const std::string& builtinName)
{
    if (track) return;
    track = std::make_unique<TDataSkinObject>(builtinName);
    try {
        track->Image->LoadFromResourceName(::GetModuleHandleA(nullptr), builtinName);
    } catch (const Exception& e) {
        // A program built without the skin's resources draws no groove.
        DoDebug(builtinName + ": " + e.Message);
        track->Image->FreeImage();
    }
    track->Margins = Rect(3, 3, 3, 3);
    track->Tile = 0;
    track->Frame = 1;
}

void TSkinData::ReadButton(const TSkinIniValues& ini)
{
    const TSkinButtonValues& v = ini.Button;
    TDataSkinButton& b = *Button;
    Readbmp(*b.Image, v.Image);
    Readbmp(*b.CheckImage, v.CheckImage);
    Readbmp(*b.RadioImage, v.RadioImage);
    Apply(v, b);
    b.RadioFrame = v.RadioFrame;
    b.CheckFrame = v.CheckFrame;
    b.NormalColour2Given = v.NormalColour2Given;
    b.MouseOverColour2Given = v.MouseOverColour2Given;
    b.PressedColour2Given = v.PressedColour2Given;
}

void TSkinData::ReadBord(const TSkinIniValues& ini)
{
    // In the order of kSkinBorderSides.
    TDataSkinBorder* const borders[] = {BorderLeft.get(), BorderRight.get(), BorderTop.get(),
                                        BorderBottom.get()};
    for (size_t i = 0; i < ini.Borders.size(); ++i) {
        Apply(ini.Borders[i], *borders[i]);
        Readbmp(*borders[i]->Image, ini.Borders[i].Image);
    }
}

void TSkinData::ReadSysButton(const TSkinIniValues& ini)
{
    SysButtons.clear();
    const std::vector<TSysButtonSpec>& specs = ini.SysButtons;
    SysButtons.reserve(specs.size() + 3);
    std::string lastName;
    for (const TSysButtonSpec& wanted : specs) {
        auto b = std::make_unique<TDataSkinSysButton>(wanted.Name);
        b->Action = wanted.Action;
        b->Align = wanted.Align;
        b->Xcoord = wanted.Xcoord;
        b->Ycoord = wanted.Ycoord;
        b->Visibility = wanted.Visibility;
        b->Visibility1 = wanted.Visibility1;
        b->CombineOp = wanted.CombineOp;
        Readbmp(*b->Image, wanted.ImageRef);
        bool clearImage = false;
        b->Frame = SysButtonFrames(wanted.Frame, b->Image->GetWidth(), b->Image->GetHeight(), wanted.Action,
                                   clearImage);
        if (clearImage) b->Image->FreeImage();
        lastName = wanted.Name;
        SysButtons.push_back(std::move(b));
    }
    // The MDI child's minimize, restore and close buttons in the menu bar.
    for (int32_t action : {7, 8, 9}) {
        auto b = std::make_unique<TDataSkinSysButton>(lastName);
        b->Action = action;
        b->Align = b->Visibility = b->Visibility1 = 100;
        b->Frame = 4;
        SysButtons.push_back(std::move(b));
    }
    CreateMdibtn(ini);
}

void TSkinData::CreateMdibtn(const TSkinIniValues& ini)
{
    TBitmap source;
    Readbmp(source, ini.MdiImage);
    if (source.Empty()) return;
    const auto places = MdiButtonPlaces(source.GetWidth());
    const size_t first = SysButtons.size() - 3;
    for (size_t i = 0; i < 3; ++i) {
        TDataSkinSysButton& b = *SysButtons[first + i];
        const TMdiButtonPlace& p = places[i];
        if (p.SourceRight > p.SourceLeft)
            CopyPart(*b.Image, source, Rect(p.SourceLeft, 0, p.SourceRight, source.GetHeight()));
        b.Xcoord = p.Xcoord;
    }
}

void TSkinData::ReadColor(const TSkinIniValues& ini)
{
    // The slots of the "Colours" keys, in the order the keys are read.
    static constexpr TShemeColor slots[kSkinColourKeys] = {
        csText,           csButtonFace,  csScrollbar,       csHilightText,      csHilight,     csMenuBar,
        csMenubg,         csMenuText,    csButtonText,      csButtonHilight,    csButtonlight, csButtonShadow,
        csButtonDkshadow, csMenuBarText, csTitleTextActive, csTitleTextNoActive};
    const auto& values = ini.Colours;
    for (size_t i = 0; i < values.size(); ++i) {
        Colors[slots[i]] = values[i].Value;
        ColorGiven[slots[i]] = values[i].Given;
    }

    PreColors = ini.PreColors;
}

// ---------------------------------------------------------------------------
// Frame counts and generated images.

void TSkinData::SetFrame()
{
    auto set = [](auto& obj, int32_t frames) {
        if (obj) obj->Frame = frames;
    };
    Button->Frame = 5;
    Button->RadioFrame =
        CheckFrames(Button->RadioFrame, Button->RadioImage->GetWidth(), Button->RadioImage->GetHeight());
    Button->CheckFrame =
        CheckFrames(Button->CheckFrame, Button->CheckImage->GetWidth(), Button->CheckImage->GetHeight());
    set(Title, 2);
    set(MenuBar, 2);
    set(GroupBoxEdge, 2);
    if (Progress) Progress->Frame = Progress->Style == 0 ? 2 : 1;
    set(Toolbar, 1);
    set(GroupBox, 1);
    // The plain objects came with theirs (kSkinObjectRules).
}

void TSkinData::ReBuildCombobox()
{
    if (!SunkEdge || !ComboButton) return;
    const int32_t n = SunkEdge->Frame;
    if (n < 1) return;
    constexpr int32_t cellW = 50, cellH = 21;
    const int32_t b = ::GetSystemMetrics(SM_CXHSCROLL) + 2;
    const TRect cell = Rect(0, 0, cellW, cellH);
    const TRect button = Rect(cellW - b, 0, cellW, cellH);

    // Each state: the sunken edge all round, the button at the right end,
    // and the inside left to the key colour so the edit shows through.
    auto strip = std::make_unique<TBitmap>();
    FreshBitmap(*strip, cellW * n, cellH, SkinKeyColor);
    TBitmap work;
    for (int32_t k = 1; k <= n; ++k) {
        FreshBitmap(work, cellW, cellH, SkinKeyColor);
        HDC dc = work.Canvas()->Handle();
        DrawRect2(dc, cell, SunkEdge->Image.get(), false, false, SunkEdge->Trans != 0, n, k,
                  SunkEdge->Margins);
        DrawRect2(dc, button, ComboButton->Image.get(), false, false, true, ComboButton->Frame, k,
                  ComboButton->Margins);
        if (ExtraImages) DrawRect3(dc, button, ExtraImages->Image.get(), true, ExtraImages->Frame, k);
        work.Canvas()->Brush()->SetColor(SkinKeyColor);
        work.Canvas()->FillRect(Rect(2, 2, cellW - 1 - b, cellH - 3));
        strip->Canvas()->CopyRect(Rect(cellW * (k - 1), 0, cellW * k, cellH), work.Canvas(), cell);
    }
    ::GdiFlush();

    ComboButton->Style = 2;
    ComboButton->Margins = SunkEdge->Margins;
    ComboButton->Margins.Right = b + 2;
    ComboButton->Margins.Left = 2;
    ComboButton->Image = CopyOf(*strip);
    // The right-to-left combo: the whole strip mirrored.
    SpiegelnHorizontal(strip.get());
    SunkEdge->Image = std::move(strip);
    SunkEdge->Margins.Left = b + 2;
    SunkEdge->Margins.Right = 2;
}

void TSkinData::ReBuildComboxArrow()
{
    if (!ComboArrow) ComboArrow = std::make_unique<TDataSkinObject>("ComboxArrow");
    if (SunkEdge && ComboButton && ComboButton->Style == 2) {
        const int32_t n = SunkEdge->Frame;
        if (n < 1) return;
        const int32_t w = ComboButton->Image->GetWidth() / n;
        auto strip = std::make_unique<TBitmap>();
        FreshBitmap(*strip, 17 * n, 17, SkinKeyColor);
        for (int32_t k = 1; k <= n; ++k)
            strip->Canvas()->CopyRect(Rect(17 * (k - 1), 0, 17 * k, 17), ComboButton->Image->Canvas(),
                                      Rect(k * w - 19, 2, k * w - 2, 19));
        ::GdiFlush();
        ComboArrow->Image = std::move(strip);
        ComboArrow->Frame = n;
    } else if (!SunkEdge && ComboButton) {
        ComboArrow->Image = CopyOf(*ComboButton->Image);
        ChangeTrans(ComboArrow->Image.get(), Colors[csButtonFace]);
        ComboArrow->Frame = ComboButton->Frame;
    }
}

void TSkinData::RebuildToolbar()
{
    const TColor caption = GetCaptionColor();
    TColor bottom = Blend(clGray, caption, 150);
    const TColor top = Blend(Colors[csButtonFace], clWhite, 150);
    // A strongly coloured caption would give a loud gradient: lighten it.
    const int32_t s = GetHSV(caption);
    if (s > 110) bottom = Blend(caption, clWhite, 25 * (225 - s) / 140 + 50);
    auto image = std::make_unique<TBitmap>();
    FreshBitmap(*image, 10, 40, clBlack);
    GradFill(image->Canvas()->Handle(), Rect(0, 0, 10, 40), top, true, bottom);
    ::GdiFlush();
    if (!Toolbar) Toolbar = std::make_unique<TDataSkinObject>("Toolbar");
    Toolbar->Image = std::move(image);
    Toolbar->Frame = 1;
}
