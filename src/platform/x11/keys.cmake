# Key grabs for the global shortcuts, a library apart from the X11 capture code so that the two can
# change independently. Included from src/app, which owns the key-grab interface it implements.
find_package(PkgConfig REQUIRED)
pkg_check_modules(CORVANE_XCB_KEYS REQUIRED IMPORTED_TARGET xcb xcb-keysyms)

corvane_library(corvane_x11_keys
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/X11KeyGrabSource.cpp
  DEPENDS Qt6::Core)
target_link_libraries(corvane_x11_keys PRIVATE PkgConfig::CORVANE_XCB_KEYS)
