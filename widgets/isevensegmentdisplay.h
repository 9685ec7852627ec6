// Seven-segment displays. TiSevenSegmentCharacter draws one character (a
// digit, a hexadecimal letter or one of a few symbols) and is a widget of its
// own; TiSevenSegmentDisplay holds the layout and colours of a row of such
// characters and owns a character widget that it uses only to draw them.
// TiSevenSegmentHexadecimal (its own unit) shows a text with it.
#pragma once

#include <cstdint>
#include <functional>

#include "widgets/iindicatorgeometry.h"
#include "widgets/ivclcomponent.h"

class TiSevenSegmentCharacter : public TiCustomComponent {
    ORVANE_CLASS(TiSevenSegmentCharacter, TiCustomComponent)
    explicit TiSevenSegmentCharacter(TComponent* AOwner);

    char GetCharacter() const { return CharacterOfValue(value_); }
    void SetCharacter(char Value) { SetValue(ConvertCharacterToValue(Value)); }
    TSevenSegmentCharacter GetValue() const { return value_; }
    void SetValue(TSevenSegmentCharacter Value);

    bool IsAutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);
    bool GetPowerOff() const { return powerOff_; }
    void SetPowerOff(bool Value) { SetBooleanProperty(Value, powerOff_, irtInvalidate); }
    TColor GetSegmentColor() const { return segmentColor_; }
    void SetSegmentColor(TColor Value) { SetColorProperty(Value, segmentColor_, irtInvalidate); }
    int32_t GetSegmentMargin() const { return segmentMargin_; }
    void SetSegmentMargin(int32_t Value);
    int32_t GetSegmentSeperation() const { return segmentSeperation_; }
    void SetSegmentSeperation(int32_t Value) { SetIntegerProperty(Value, segmentSeperation_, irtInvalidate); }
    int32_t GetSegmentSize() const { return segmentSize_; }
    // At least 1.
    void SetSegmentSize(int32_t Value);
    bool GetShowOffSegments() const { return showOffSegments_; }
    void SetShowOffSegments(bool Value) { SetBooleanProperty(Value, showOffSegments_, irtInvalidate); }
    TColor GetSegmentOffColor() const { return segmentOffColor_; }
    void SetSegmentOffColor(TColor Value) { SetColorProperty(Value, segmentOffColor_, irtInvalidate); }
    bool GetAutoSegmentOffColor() const { return autoSegmentOffColor_; }
    void SetAutoSegmentOffColor(bool Value)
    {
        SetBooleanProperty(Value, autoSegmentOffColor_, irtInvalidate);
    }

    // The segments lit when UseSegmentBits is on: bit n for segment n.
    bool GetUseSegmentBits() const { return useSegmentBits_; }
    void SetUseSegmentBits(bool Value) { SetBooleanProperty(Value, useSegmentBits_, irtInvalidate); }
    uint8_t GetSegmentBits() const { return segmentBits_; }
    void SetSegmentBits(uint8_t Value);
    bool GetSegOn(TSegment Segment) const { return (segmentBits_ >> Segment) & 1; }
    void SetSegOn(TSegment Segment, bool Value);

    int32_t GetCharacterWidth() const { return CharacterWidth(value_, segmentMargin_, segmentSize_); }
    int32_t GetCharacterHeight() const { return CharacterHeight(segmentMargin_, segmentSize_); }
    // The colours a character is drawn in, as the settings give them.
    TColor OffColor() const;
    TColor OnColor() const;

    // Draws character Value in a W x H box at Origin.
    void Draw(TCanvas* Canvas, TPoint Origin, int32_t W, int32_t H, TSevenSegmentCharacter Value);

protected:
    void iPaintTo(TCanvas* Canvas) override;
    void DrawSegments(TCanvas* Canvas, TPoint Origin, int32_t W, int32_t H, uint8_t Lit);
    void DrawShape(TCanvas* Canvas, TPoint Origin, const TGeoPolygon& Shape, TColor Color);

private:
    void DoAutoSize();

    TSevenSegmentCharacter value_ = ssc0;
    bool autoSize_ = true;
    bool powerOff_ = false;
    TColor segmentColor_ = clLime;
    int32_t segmentMargin_ = 2;
    int32_t segmentSeperation_ = 1;
    int32_t segmentSize_ = 1;
    bool showOffSegments_ = true;
    uint8_t segmentBits_ = 0;
    bool useSegmentBits_ = false;
    TColor segmentOffColor_ = clGreen;
    bool autoSegmentOffColor_ = true;
};

class TiSevenSegmentDisplay : public TiCustomComponent {
    ORVANE_CLASS(TiSevenSegmentDisplay, TiCustomComponent)
    explicit TiSevenSegmentDisplay(TComponent* AOwner);

    // The size the display wants for its settings.
    virtual void GetAutoSize(int32_t& AWidth, int32_t& AHeight) = 0;
    void DoAutoSize();

    bool IsAutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);
    int32_t GetDigitCount() const { return digitCount_; }
    // Held to 1..32.
    void SetDigitCount(int32_t Value);
    int32_t GetDigitSpacing() const { return digitSpacing_; }
    void SetDigitSpacing(int32_t Value);
    TiLeadingStyle GetLeadingStyle() const { return leadingStyle_; }
    void SetLeadingStyle(TiLeadingStyle Value);
    int32_t GetSegmentMargin() const { return segmentMargin_; }
    // At least 0.
    void SetSegmentMargin(int32_t Value);
    TColor GetSegmentColor() const { return segmentColor_; }
    void SetSegmentColor(TColor Value);
    int32_t GetSegmentSeperation() const { return segmentSeperation_; }
    // At least 0.
    void SetSegmentSeperation(int32_t Value);
    int32_t GetSegmentSize() const { return segmentSize_; }
    // Held to 1..100.
    void SetSegmentSize(int32_t Value);
    bool GetShowOffSegments() const { return showOffSegments_; }
    void SetShowOffSegments(bool Value);
    bool GetPowerOff() const { return powerOff_; }
    void SetPowerOff(bool Value);
    bool GetAutoSegmentOffColor() const { return autoSegmentOffColor_; }
    void SetAutoSegmentOffColor(bool Value);
    TColor GetSegmentOffColor() const { return segmentOffColor_; }
    void SetSegmentOffColor(TColor Value);

    TiSevenSegmentCharacter* Character() const { return character_; }

    TNotifyEvent OnValueChange;
    // Told at the end of every automatic resize.
    std::function<void()> OnAfterResize;

protected:
    // Hands the display's settings to the character drawer before a paint.
    void SetupCharacter();

private:
    TiSevenSegmentCharacter* character_; // owned through the component tree
    bool autoSize_ = true;
    int32_t digitCount_ = 4;
    int32_t digitSpacing_ = 6;
    TiLeadingStyle leadingStyle_ = ilsSpaces;
    int32_t segmentMargin_ = 5;
    TColor segmentColor_ = clWhite;
    int32_t segmentSeperation_ = 1;
    int32_t segmentSize_ = 1;
    bool showOffSegments_ = true;
    bool powerOff_ = false;
    bool autoSegmentOffColor_ = true;
    TColor segmentOffColor_ = clGray;
};
