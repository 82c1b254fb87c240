# What the build checks of the firmware images as they come out of the linker,
# computed by tolvern-build-facts from the images and lld-link's maps.

# cmake --build build/main --target size-report
add_custom_target(size-report
  COMMAND tolvern-build-facts size-report ${TOLVERN_FIRMWARE_DIR}/TolvernImage.map
          $<TARGET_FILE:TolvernImage>
  DEPENDS tolvern-build-facts TolvernImage
  USES_TERMINAL
  COMMENT "Size of TolvernImage, from the linker's map"
  VERBATIM)

# A PEIM runs in place from flash: it may hold no writable data.
foreach(image TolvernImage TolvernImageFailingConstructor TolvernImageDeadloop
              TolvernImageContinue TolvernImageVerbose TolvernImageWaitLimit FlashMapConsumer)
  add_test(NAME ${image}HasNoWritableData
           COMMAND tolvern-build-facts no-writable-data ${TOLVERN_FIRMWARE_DIR}/${image}.map)
endforeach()

# The same sources give the same firmware bytes in any directory. The firmware
# takes no host option, so the main build's run of this speaks for the others.
if(TOLVERN_SANITIZE)
  return()
endif()
add_test(NAME ImageIsReproducible
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                 -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/reproducible
                 "-DREFERENCES=$<TARGET_FILE:TolvernImage>;$<TARGET_FILE:TolvernImageFailingConstructor>;$<TARGET_FILE:FlashMapConsumer>;${TOLVERN_BOOT_PLATFORM_BIN}"
                 -P ${CMAKE_CURRENT_LIST_DIR}/ReproducibleImage.cmake)
set_tests_properties(ImageIsReproducible PROPERTIES TIMEOUT 900)
