# The environment every test runs in, the same on a build machine and on a
# developer's desktop.
#
# Fonts: a fontconfig configuration written here at configure time that sees
# exactly the faces of the font packages scripts/setup installs, under
# Debian's stock fontconfig rules and those packages' own, and nothing of the
# machine's other fonts or of the user's configuration (~/.config/fontconfig).
# Other font packages on a desktop (ghostscript's, a Noto collection in the
# same folder) change no page, width or fallback a test expects.
#
# The rest a test could read off the machine is pinned too: locale, time zone,
# HOME and the XDG folders (a scratch home in the build folder), the anchors
# for signatures (none of an installed package's, /etc's or the user's: a
# test that wants some names them itself), and no X or Wayland display or
# D-Bus session bus of the user's; the tests that need an X server start
# their own.

set(test_font_packages
    fonts-liberation fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea fonts-dejavu-core
    fonts-dejavu-extra fonts-noto-color-emoji fonts-urw-base35)

set(test_home ${PROJECT_BINARY_DIR}/tests/home)
set(test_fonts_conf ${PROJECT_BINARY_DIR}/tests/fonts.conf)

# The files one Debian package installs, or nothing when it is not installed.
function(maravel_package_files package out)
  execute_process(COMMAND dpkg-query -L ${package} OUTPUT_VARIABLE listing RESULT_VARIABLE failed
                  ERROR_QUIET)
  if(failed)
    message(WARNING "${package} is not installed (scripts/setup installs it); tests that need its fonts fail")
    set(listing "")
  endif()
  string(REPLACE "\n" ";" listing "${listing}")
  set(${out} ${listing} PARENT_SCOPE)
endfunction()

function(maravel_write_test_fonts_conf)
  set(folders "")
  set(faces "")
  set(rules "")
  foreach(package IN LISTS test_font_packages)
    maravel_package_files(${package} files)
    foreach(file IN LISTS files)
      if(file MATCHES "\\.(ttf|otf|ttc|pfb|t1)$")
        get_filename_component(folder ${file} DIRECTORY)
        list(APPEND folders ${folder})
        list(APPEND faces ${file})
      elseif(file MATCHES "^/etc/fonts/conf\\.d/.*\\.conf$")
        list(APPEND rules ${file})
      endif()
    endforeach()
  endforeach()
  # fontconfig's own stock rules (aliases, generic families, metric-compatible
  # names), less the two that read the user's and the machine's local files,
  # and the hinting and bitmap choices a fresh Debian machine makes (a
  # browser's text widths follow the hinting).
  set(stock /usr/share/fontconfig/conf.avail)
  list(APPEND rules ${stock}/10-hinting-slight.conf ${stock}/70-no-bitmaps.conf)
  maravel_package_files(fontconfig-config files)
  foreach(file IN LISTS files)
    if(file MATCHES "^/etc/fonts/conf\\.d/.*\\.conf$" AND NOT file MATCHES "/5[01]-(user|local)\\.conf$")
      list(APPEND rules ${file})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES folders)
  list(SORT rules COMPARE FILE_BASENAME)

  set(text "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n")
  string(APPEND text "<!-- Written by tests/test_environment.cmake: the test suite's own fonts. -->\n<fontconfig>\n")
  foreach(folder IN LISTS folders)
    string(APPEND text "  <dir>${folder}</dir>\n")
  endforeach()
  # The spellings of the generic families that fontconfig's own fonts.conf
  # accepts.
  foreach(alias IN ITEMS "mono|monospace" "sans serif|sans-serif" "sans|sans-serif" "system ui|system-ui")
    string(REPLACE "|" ";" alias "${alias}")
    list(GET alias 0 from)
    list(GET alias 1 to)
    string(APPEND text "  <match target=\"pattern\"><test qual=\"any\" name=\"family\"><string>${from}</string></test>"
           "<edit name=\"family\" mode=\"assign\" binding=\"same\"><string>${to}</string></edit></match>\n")
  endforeach()
  string(APPEND text "  <cachedir>${PROJECT_BINARY_DIR}/tests/fontconfig-cache</cachedir>\n")
  string(APPEND text "  <selectfont>\n    <rejectfont><glob>/*</glob></rejectfont>\n    <acceptfont>\n")
  foreach(face IN LISTS faces)
    string(APPEND text "      <glob>${face}</glob>\n")
  endforeach()
  string(APPEND text "    </acceptfont>\n  </selectfont>\n")
  foreach(rule IN LISTS rules)
    string(APPEND text "  <include ignore_missing=\"yes\">${rule}</include>\n")
  endforeach()
  string(APPEND text "</fontconfig>\n")
  file(WRITE ${test_fonts_conf} "${text}")
endfunction()

maravel_write_test_fonts_conf()
file(MAKE_DIRECTORY ${test_home}/.config ${test_home}/.cache ${test_home}/.local/share ${test_home}/.local/state)

# Every test program runs through this prefix (ctest's emulator for the
# target), so the commands a test starts inherit the same environment.
set(maravel_test_environment
    ${CMAKE_COMMAND} -E env
    --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=DBUS_SESSION_BUS_ADDRESS --unset=XDG_RUNTIME_DIR
    --unset=LANGUAGE --unset=FC_LANG --unset=FONTCONFIG_PATH --unset=FONTCONFIG_SYSROOT --unset=GTK_THEME
    --unset=GDK_BACKEND --unset=GTK_MODULES --unset=XDG_CURRENT_DESKTOP --unset=XDG_SESSION_TYPE
    MARAVEL_TRUST_DIRS= FONTCONFIG_FILE=${test_fonts_conf} LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC
    HOME=${test_home} XDG_CONFIG_HOME=${test_home}/.config XDG_CACHE_HOME=${test_home}/.cache
    XDG_DATA_HOME=${test_home}/.local/share XDG_STATE_HOME=${test_home}/.local/state
    XDG_DATA_DIRS=/usr/local/share:/usr/share XDG_CONFIG_DIRS=/etc/xdg)
