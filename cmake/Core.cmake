# The portable core: printer library, console layer and tester, built over
# the seam. dk_add_core(NAME DETACHED) makes one static library; DETACHED says
# whether the console layer allocates and frees a console of its own.
file(GLOB DK_CORE_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/printer/*.cpp
  ${PROJECT_SOURCE_DIR}/console/*.cpp
  ${PROJECT_SOURCE_DIR}/tester/*.cpp)
list(FILTER DK_CORE_SOURCES EXCLUDE REGEX ".*/tester/main\\.cpp$")

function(dk_add_core name detached)
  add_library(${name} STATIC ${DK_CORE_SOURCES} ${PROJECT_SOURCE_DIR}/platform/seam.cpp)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PUBLIC DK_STARTS_WITHOUT_CONSOLE=$<BOOL:${detached}>)
  find_package(Threads REQUIRED)
  target_link_libraries(${name} PUBLIC Threads::Threads)
endfunction()
