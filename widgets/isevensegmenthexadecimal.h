// TiSevenSegmentHexadecimal: a row of seven-segment digits showing a text of
// hexadecimal digits (decimal numbers and codes such as "E1" included). A
// text longer than the row shows up arrows instead.
#pragma once

#include <string>

#include "widgets/isevensegmentdisplay.h"

class TiSevenSegmentHexadecimal : public TiSevenSegmentDisplay {
    ORVANE_CLASS(TiSevenSegmentHexadecimal, TiSevenSegmentDisplay)
    explicit TiSevenSegmentHexadecimal(TComponent* AOwner);

    const std::string& GetValue() const { return value_; }
    // Normalises the text ("$"/"0x" and surplus leading zeros dropped, digits
    // upper-cased, blank text "0"); raises Exception for text that is too
    // long or not hexadecimal, leaving Value as it was.
    void SetValue(const std::string& Value);
    // As SetValue, without telling OnValueChange.
    void SetValueNoEvent(const std::string& Value);

    void GetAutoSize(int32_t& AWidth, int32_t& AHeight) override;

protected:
    void iPaintTo(TCanvas* Canvas) override;

private:
    std::string value_;
};
