# The portable core: printer library, console layer and tester, built over
# the seam. Only the console's open and close depend on whether the program
# starts without a console, so everything else is compiled once and shared.
# dk_add_core(NAME DETACHED) makes one static library of the core; DETACHED
# says whether the console layer allocates and frees a console of its own.
file(GLOB DK_CORE_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/printer/*.cpp
  ${PROJECT_SOURCE_DIR}/console/*.cpp
  ${PROJECT_SOURCE_DIR}/tester/*.cpp)
list(FILTER DK_CORE_SOURCES EXCLUDE REGEX ".*/tester/main\\.cpp$")
set(DK_CONSOLE_OPEN ${PROJECT_SOURCE_DIR}/console/console.cpp)
list(REMOVE_ITEM DK_CORE_SOURCES ${DK_CONSOLE_OPEN})

find_package(Threads REQUIRED)
add_library(dk_core_common OBJECT ${DK_CORE_SOURCES} ${PROJECT_SOURCE_DIR}/platform/seam.cpp)
target_include_directories(dk_core_common PUBLIC ${PROJECT_SOURCE_DIR})

function(dk_add_core name detached)
  add_library(${name} STATIC ${DK_CONSOLE_OPEN} $<TARGET_OBJECTS:dk_core_common>)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE DK_STARTS_WITHOUT_CONSOLE=$<BOOL:${detached}>)
  target_link_libraries(${name} PUBLIC Threads::Threads)
endfunction()
