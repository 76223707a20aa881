# The Debian package: `cpack -G DEB` in a build folder (scripts/package.sh makes a release one) packs what
# `cmake --install` puts under /usr.

# The Russian manual page, and the copyright and changelog that Debian asks of every package; `cmake --install`
# puts them in an install for one person too (scripts/uninstall.sh takes them away again). Debian keeps
# manual pages and changelogs gzipped, with no name or time in the gzip header, so that the same sources
# give the same package. A package without a revision is a native one, whose changelog is changelog.gz; its
# newest entry must be for the project's version (tests/desktop/package.sh checks).
foreach(source quillnest.1 debian/changelog)
    get_filename_component(name ${source} NAME)
    set(gzipped ${PROJECT_BINARY_DIR}/${name}.gz)
    add_custom_command(OUTPUT ${gzipped}
                       COMMAND sh -c "gzip -9n <\"$1\" >\"$2\"" sh ${PROJECT_SOURCE_DIR}/data/${source} ${gzipped}
                       DEPENDS ${PROJECT_SOURCE_DIR}/data/${source} VERBATIM)
endforeach()
add_custom_target(quillnest_gzipped_docs ALL DEPENDS ${PROJECT_BINARY_DIR}/quillnest.1.gz
                                                     ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/quillnest.1.gz DESTINATION share/man/ru/man1)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${PROJECT_BINARY_DIR}/changelog.gz
        DESTINATION share/doc/quillnest)

set(CPACK_PACKAGE_NAME quillnest)
# The DEB generator installs with this prefix into a staging DESTDIR, so the menu entry, written at install
# time, names /usr/bin/quillnest (tests/desktop/package.sh checks).
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personal diary of dated entries, with a Russian interface")
# Lines of Debian's long description, at most 80 characters wide.
set(CPACK_PACKAGE_DESCRIPTION [[Quillnest keeps one or more diaries. Each entry is stamped with the date and
time it was first saved. Entries can be read, changed, deleted and searched by
word or by day. A diary can be protected with a password, its entries exported
to a text or HTML file, and diaries kept with earlier versions (.drb files)
imported. The user interface is in Russian.]])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A stand-in until the project has a public address of its own.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillnest developers <quillnest@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The standard buttons speak Russian, as the rest of the program does, only with Qt's own translations; spelling
# is checked with the Russian dictionary, and Latin words with the English one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, hunspell-ru, hunspell-en-us")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
