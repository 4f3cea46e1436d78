# `cpack` builds a Debian package of what `cmake --install` puts in place: the program, its menu
# entry, icon and AppStream description. dpkg-shlibdeps declares the libraries the program links
# (Qt 6 Widgets, PipeWire, ALSA, fontconfig, the C and C++ runtime); the SoundFont that the built-in
# synth loads and Qt's translations, which give Qt's own texts in Slovenian, are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolmary)
set(CPACK_PACKAGE_VERSION 1.00)
set(CPACK_PACKAGE_VENDOR "Tolmary")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Guitar tuner that plays reference notes, with chord grips")
set(CPACK_PACKAGE_DESCRIPTION
    "Tolmary plays the reference note of each guitar string through a built-in synth so that
you can tune by ear (7 guitar sounds, 36 tunings), and shows how to grip 60 chords on a
picture of the guitar neck. The user interface is in Slovenian.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Tolmary developers")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# FluidSynth, libpulse and RtMidi are opened by name at run time, so shlibdeps cannot see them:
# their packages, named after their SONAMEs as Debian names libraries (libfluidsynth.so.3:
# libfluidsynth3), are declared.
set(opened_packages "")
foreach(soname IN ITEMS ${TOLMARY_FLUIDSYNTH_SONAME} ${TOLMARY_PULSE_SONAME} ${TOLMARY_RTMIDI_SONAME})
    string(REGEX REPLACE "^(lib.+)\\.so\\.([0-9]+)$" "\\1\\2" package "${soname}")
    string(APPEND opened_packages ", ${package}")
endforeach()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont, qt6-translations-l10n${opened_packages}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
