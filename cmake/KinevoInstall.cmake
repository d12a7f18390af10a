# Installation and the Debian package.
#
# Installed layout (PREFIX is /usr in the package):
#   bin/kinevo, bin/kinevo-cli
#   lib/kinevo/KvoDll/         the video plugins, loaded at run time
#   lib/kinevo/kinevo-cli-commands.so  the commands of kinevo-cli, loaded by it
#   lib/kinevo/kinevo-cli-video.so     its video commands alone, lighter to load
#   share/kinevo/help/         the user guide (Help_fr.html and its pictures); read
#                              by the program, so not under share/doc, which
#                              minimal systems leave out
#   share/doc/kinevo/          copyright, changelog, and a link "guide" to the guide
#   share/applications/, share/mime/packages/, share/icons/hicolor/  desktop menu,
#                              the .kvo type and the icon
#   share/man/man1/            the manual pages of kinevo and kinevo-cli
#   share/metainfo/            the AppStream description for software centres
# The programs find the plugins and the guide relative to their own folder
# (core/common/install_layout.h), so the build folder works the same way:
# KvoDll/ and Help/ lie beside the programs there.

set(KINEVO_INSTALL_PLUGIN_DIR lib/kinevo/KvoDll)
set(KINEVO_INSTALL_HELP_DIR share/kinevo/help)
set(KINEVO_INSTALL_DOC_DIR share/doc/kinevo)

# Who answers for the package, and where its pages are: the package's
# Maintainer field, the changelog and the AppStream description read them.
set(KINEVO_MAINTAINER_ADDRESS "Équipe Kinevo <kinevo@example.org>" CACHE STRING
    "Maintainer of the Debian package, as \"Name <address>\"")
set(KINEVO_HOMEPAGE "https://kinevo.example.org" CACHE STRING
    "Home page; the AppStream screenshots are under captures/ there")
string(REGEX REPLACE " *<.*$" "" KINEVO_DEVELOPER "${KINEVO_MAINTAINER_ADDRESS}")

# The user guide beside the programs of the build folder.
add_custom_target(user_guide ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/help ${CMAKE_BINARY_DIR}/Help
  COMMENT "Guide de l'utilisateur dans Help/" VERBATIM)

# The manual page is written by kinevo-cli itself from its --help texts.
set(KINEVO_MAN_PAGE ${CMAKE_BINARY_DIR}/man/kinevo-cli.1.gz)
add_custom_command(OUTPUT ${KINEVO_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:kinevo-cli> -DOUT=${CMAKE_BINARY_DIR}/man/kinevo-cli.1
          -P ${PROJECT_SOURCE_DIR}/cmake/KinevoManPage.cmake
  DEPENDS kinevo-cli ${PROJECT_SOURCE_DIR}/cmake/KinevoManPage.cmake
  COMMENT "Page de manuel de kinevo-cli" VERBATIM)
add_custom_target(manpage ALL DEPENDS ${KINEVO_MAN_PAGE})

# The package's own texts: the desktop program's manual page and the
# changelog, compressed as Debian keeps them; the AppStream description.
set(KINEVO_PACKAGE_FILES ${CMAKE_BINARY_DIR}/package)
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in ${KINEVO_PACKAGE_FILES}/changelog @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/resources/desktop/kinevo.metainfo.xml.in
               ${KINEVO_PACKAGE_FILES}/org.kinevo.Kinevo.metainfo.xml @ONLY)
add_custom_command(OUTPUT ${KINEVO_PACKAGE_FILES}/changelog.gz ${KINEVO_PACKAGE_FILES}/kinevo.1.gz
  COMMAND gzip -9nc ${KINEVO_PACKAGE_FILES}/changelog > ${KINEVO_PACKAGE_FILES}/changelog.gz
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/man/kinevo.1 > ${KINEVO_PACKAGE_FILES}/kinevo.1.gz
  DEPENDS ${KINEVO_PACKAGE_FILES}/changelog ${PROJECT_SOURCE_DIR}/resources/man/kinevo.1
  COMMENT "Journal des modifications et page de manuel de kinevo")
add_custom_target(package_texts ALL
  DEPENDS ${KINEVO_PACKAGE_FILES}/changelog.gz ${KINEVO_PACKAGE_FILES}/kinevo.1.gz)
# The doc folder leads to the guide, which lives where the program reads it.
file(CREATE_LINK ../../kinevo/help ${KINEVO_PACKAGE_FILES}/guide SYMBOLIC)

if(TARGET kinevo)
  install(TARGETS kinevo RUNTIME DESTINATION bin)
endif()
install(TARGETS kinevo-cli RUNTIME DESTINATION bin)
install(TARGETS kinevo-cli-commands kinevo-cli-video LIBRARY DESTINATION lib/kinevo)
foreach(plugin KvoVff KvoRff)
  if(TARGET ${plugin})
    install(TARGETS ${plugin} LIBRARY DESTINATION ${KINEVO_INSTALL_PLUGIN_DIR})
  endif()
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/help/ DESTINATION ${KINEVO_INSTALL_HELP_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/kinevo.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/kinevo-kvo.xml DESTINATION share/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/kinevo.svg
        DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${KINEVO_MAN_PAGE} ${KINEVO_PACKAGE_FILES}/kinevo.1.gz DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright ${KINEVO_PACKAGE_FILES}/changelog.gz
              ${KINEVO_PACKAGE_FILES}/guide
        DESTINATION ${KINEVO_INSTALL_DOC_DIR})
install(FILES ${KINEVO_PACKAGE_FILES}/org.kinevo.Kinevo.metainfo.xml DESTINATION share/metainfo)

# The Debian package (scripts/package).  Its Depends are computed from the
# shared libraries the programs and plugins link (dpkg-shlibdeps); the menu,
# the MIME database and the icon cache are refreshed by the triggers of
# desktop-file-utils, shared-mime-info and hicolor-icon-theme.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kinevo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kinevo")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KINEVO_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "étude du mouvement sur vidéo pour l'enseignement de la physique")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kinevo ouvre une vidéo, place une échelle et un repère sur l'image,
relève les positions d'un ou plusieurs objets image par image (ou les
suit automatiquement) et calcule les positions, vitesses et
accélérations, présentées en tableaux et en graphes, avec modélisation,
export vers un tableur et impression.
kinevo-cli offre les mêmes calculs en ligne de commande.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KINEVO_MAINTAINER_ADDRESS}")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The help opens in the desktop's browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)

# The installation test installs this build into a temporary prefix and
# builds the package from it; it needs every installed file built first.
if(KINEVO_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_executable(test_install ${PROJECT_SOURCE_DIR}/tests/install/install_test.cpp
                              ${PROJECT_SOURCE_DIR}/tests/install/help_test.cpp)
  target_link_libraries(test_install PRIVATE kinevo_test_support GTest::gtest_main)
  if(KINEVO_BUILD_GUI)
    target_link_libraries(test_install PRIVATE Qt6::Gui)
  endif()
  target_compile_definitions(test_install PRIVATE
    KINEVO_BINARY_DIR="${PROJECT_BINARY_DIR}"
    KINEVO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KINEVO_CMAKE_COMMAND="${CMAKE_COMMAND}"
    KINEVO_HAS_GUI=$<BOOL:${KINEVO_BUILD_GUI}>)
  add_dependencies(test_install kinevo-cli KvoVff user_guide manpage package_texts demo)
  if(TARGET kinevo)
    add_dependencies(test_install kinevo)
  endif()
  if(TARGET KvoRff)
    add_dependencies(test_install KvoRff)
  endif()
  gtest_discover_tests(test_install DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1" TIMEOUT 600)
endif()

# The pictures of the user guide, taken from the real program
# (scripts/help-shots).
if(TARGET kinevo_gui_app)
  add_executable(help_shots EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/tools/help_shots.cpp)
  target_link_libraries(help_shots PRIVATE kinevo_gui_app)
  add_dependencies(help_shots KvoVff demo)
endif()
