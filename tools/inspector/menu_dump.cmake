# menu_dump.exe: a built program's menus and accelerators, read from its file.
add_executable(menu_dump menu_dump_win.cpp)
target_compile_options(menu_dump PRIVATE ${VOLTARIS_WARNINGS})
