# Runs widget-gallery.exe under Wine in OUT_DIR and turns its BMP into
# widget-gallery.png. Fails when the gallery reports a failure or no picture.
file(MAKE_DIRECTORY ${OUT_DIR})
file(REMOVE ${OUT_DIR}/widget-gallery.bmp)
execute_process(COMMAND ${WINE_RUN} ${EXE} widget-gallery.bmp WORKING_DIRECTORY ${OUT_DIR} RESULT_VARIABLE rc)
if(NOT EXISTS ${OUT_DIR}/widget-gallery.bmp)
  message(FATAL_ERROR "widget-gallery saved no picture (exit ${rc})")
endif()
execute_process(COMMAND convert widget-gallery.bmp widget-gallery.png WORKING_DIRECTORY ${OUT_DIR}
                RESULT_VARIABLE convert_rc)
file(REMOVE ${OUT_DIR}/widget-gallery.bmp)
if(NOT convert_rc EQUAL 0)
  message(FATAL_ERROR "convert could not make widget-gallery.png")
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "widget-gallery failed (exit ${rc})")
endif()
message(STATUS "saved ${OUT_DIR}/widget-gallery.png")
