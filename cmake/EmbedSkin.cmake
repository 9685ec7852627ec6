# cmake -DLAYOUT_IN=... -DPACKAGE=... -DLAYOUT_OUT=... -P EmbedSkin.cmake
#
# Writes the main window's layout with its skin component SkinData1 placed
# last inside the form: its settings and the skin package as the SkinStream
# binary property (a 4-byte little-endian count, then the package bytes).
# The package is kept as a file of its own in the tree and joined here, so
# the committed layout stays readable.
file(READ "${LAYOUT_IN}" layout)
file(READ "${PACKAGE}" package HEX)
file(SIZE "${PACKAGE}" size)

string(LENGTH "${layout}" len)
string(FIND "${layout}" "\nend" last_end REVERSE)
if(last_end LESS 0)
  message(FATAL_ERROR "${LAYOUT_IN}: no closing 'end' for the form")
endif()
string(SUBSTRING "${layout}" 0 ${last_end} head)

math(EXPR b0 "${size} & 255" OUTPUT_FORMAT HEXADECIMAL)
math(EXPR b1 "(${size} >> 8) & 255" OUTPUT_FORMAT HEXADECIMAL)
math(EXPR b2 "(${size} >> 16) & 255" OUTPUT_FORMAT HEXADECIMAL)
math(EXPR b3 "(${size} >> 24) & 255" OUTPUT_FORMAT HEXADECIMAL)
set(count "")
foreach(b IN ITEMS ${b0} ${b1} ${b2} ${b3})
  string(SUBSTRING "${b}" 2 -1 digits)
  string(LENGTH "${digits}" n)
  if(n EQUAL 1)
    set(digits "0${digits}")
  endif()
  string(APPEND count "${digits}")
endforeach()
string(TOUPPER "${count}${package}" hex)
string(REGEX REPLACE "([0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F])"
       "\\1\n      " hex "${hex}")

set(skin "
  object SkinData1: TSkinData
    Active = True
    DisableTag = 99
    SkinControls = [xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcCombo, xcCheckBox, xcRadioButton, xcProgress, xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton, xcSpin, xcPanel, xcGroupBox, xcStatusBar, xcTab, xcTrackBar, xcSystemMenu]
    Options = [xoPreview, xoToolbarBK]
    SkinFormtype = sfMainform
    MenuUpdate = True
    MenuMerge = False
    SkinStore = '(Good)'
    SkinStream = {
      ${hex}}
  end
end
")
file(WRITE "${LAYOUT_OUT}.tmp" "${head}${skin}")
file(RENAME "${LAYOUT_OUT}.tmp" "${LAYOUT_OUT}")
