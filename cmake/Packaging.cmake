# The release of a Windows build: torvex.scr, stripped, and its install text. CPack makes
# release/torvex-VERSION-ARCH.zip; the target torvex_installer makes
# release/torvex-VERSION-ARCH-setup.exe with makensis, when makensis is there.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TORVEX_ARCH win64)
else()
    set(TORVEX_ARCH win32)
endif()

# Notepad on older Windows wants CRLF line ends and, for the Japanese half, a byte order mark.
set(install_text_source ${PROJECT_SOURCE_DIR}/packaging/INSTALL.txt)
set(install_text ${CMAKE_BINARY_DIR}/packaging/INSTALL.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${install_text_source})
file(READ ${install_text_source} text)
string(CONFIGURE "${text}" text @ONLY)
string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 byte_order_mark)
file(WRITE ${install_text} "${byte_order_mark}${text}")

# The released saver is stripped once, here, so that the ZIP and the installer carry the same
# bytes (strip writes the time into the PE header).
set(staged ${CMAKE_BINARY_DIR}/release/stage/torvex.scr)
add_custom_command(
    OUTPUT ${staged}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/release/stage
    COMMAND ${CMAKE_STRIP} -o ${staged} $<TARGET_FILE:torvex_scr>
    DEPENDS torvex_scr
    VERBATIM)
add_custom_target(torvex_release_saver ALL DEPENDS ${staged})

install(PROGRAMS ${staged} DESTINATION .)
install(FILES ${install_text} DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME torvex)
set(CPACK_PACKAGE_VENDOR TORVEX)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME ${TORVEX_ARCH})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/release)
include(CPack)

find_program(TORVEX_MAKENSIS makensis)
if(TORVEX_MAKENSIS)
    set(setup ${CMAKE_BINARY_DIR}/release/torvex-${PROJECT_VERSION}-${TORVEX_ARCH}-setup.exe)
    add_custom_command(
        OUTPUT ${setup}
        COMMAND ${TORVEX_MAKENSIS} -V2 -DARCH=${TORVEX_ARCH} -DVERSION=${PROJECT_VERSION}
                -DSAVER=${staged} -DINSTALL_TEXT=${install_text}
                -DICON=${CMAKE_BINARY_DIR}/resources/torvex.ico -DOUTFILE=${setup}
                ${PROJECT_SOURCE_DIR}/packaging/torvex.nsi
        DEPENDS ${staged} ${PROJECT_SOURCE_DIR}/packaging/torvex.nsi ${install_text}
                ${CMAKE_BINARY_DIR}/resources/torvex.ico
        COMMENT "Making the installer"
        VERBATIM)
    add_custom_target(torvex_installer DEPENDS ${setup})
endif()
