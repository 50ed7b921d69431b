# How the programs are built, for the folders' build files.

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # Where each deliverable (or test image built like one) leaves its unstripped image and map.
  set(NORVO_UNSTRIPPED_DIR ${CMAKE_BINARY_DIR}/unstripped)

  # Code that goes into a deliverable: small, no exception runtime, for every processor NT 4.0
  # runs on (i486 and up, tuned for the Pentium).
  function(norvo_product_code target)
    target_compile_options(${target} PRIVATE -Os -march=i486 -mtune=pentium -fno-asynchronous-unwind-tables
      -fno-exceptions -fno-rtti -fno-threadsafe-statics -ffunction-sections -fdata-sections -D_GLIBCXX_ASSERTIONS)
  endfunction()

  # A deliverable (or a test image built like one) of product code: no runtime DLLs, a PE header
  # that NT 4.0 accepts (no DllCharacteristics bits, which it predates; a DLL keeps its
  # relocations), and no link time stamps, so that the same sources give the same bytes. Our
  # own entry point instead of the C runtime's start-up objects; the linker falls back silently
  # to the start of .text when the --entry symbol does not exist, so it is also required. The
  # image is stripped; the unstripped image of the same link, with its map, stays in
  # NORVO_UNSTRIPPED_DIR for the audit's function names.
  function(norvo_product_image target entry)
    set(unstripped ${NORVO_UNSTRIPPED_DIR})
    norvo_product_code(${target})
    target_link_options(${target} PRIVATE -static -Wl,--gc-sections -Wl,--enable-stdcall-fixup -Wl,--no-insert-timestamp
      -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0 -Wl,--major-os-version,4 -Wl,--minor-os-version,0
      -Wl,--disable-dynamicbase -Wl,--disable-nxcompat
      -nostartfiles -Wl,--entry,${entry} -Wl,--require-defined,${entry}
      -Wl,-Map,${unstripped}/$<TARGET_FILE_NAME:${target}>.map)
    add_custom_command(TARGET ${target} PRE_LINK
      COMMAND ${CMAKE_COMMAND} -E make_directory ${unstripped})
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${unstripped}/
      # strip stamps the image with the current time unless told a fixed one
      COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${target}>)
  endfunction()
else()
  # The in-memory Windows reads the same compiled resources as the Windows build links in.
  find_program(WINDRES i686-w64-mingw32-windres REQUIRED)
  # The logic of the program in <dir> for the host tests: <dir>_core, an object library (so that
  # a module's static application object is always linked in) on the framework, and
  # <dir>/<dir>.rc (with the languages it includes from <dir>/lang) compiled to
  # build/host/<dir>.res, with target <dir>_resources.
  function(norvo_host_logic dir icon)
    set(framework ${CMAKE_SOURCE_DIR}/platform/framework)
    add_library(${dir}_core OBJECT ${ARGN})
    target_include_directories(${dir}_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${dir}_core PUBLIC framework)
    set(res ${CMAKE_BINARY_DIR}/${dir}.res)
    add_custom_command(OUTPUT ${res}
      COMMAND ${WINDRES} -O res -I ${CMAKE_SOURCE_DIR}/${dir} -I ${framework}
        -i ${CMAKE_SOURCE_DIR}/${dir}/${dir}.rc -o ${res}
      DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/${dir}.rc ${CMAKE_SOURCE_DIR}/${dir}/lang/de-DE.rc
        ${CMAKE_SOURCE_DIR}/${dir}/resource.h ${CMAKE_SOURCE_DIR}/${dir}/${icon} ${framework}/FrameworkStrings.h
      COMMENT "Compiling the resources of ${dir}")
    add_custom_target(${dir}_resources ALL DEPENDS ${res})
  endfunction()
endif()
