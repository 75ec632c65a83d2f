# The product sources. They include only framework headers ("include/..."),
# their own headers by paths from the repository root, and the standard library.
file(GLOB KIV_PRODUCT_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/app/*.cc
     ${CMAKE_SOURCE_DIR}/jsapi/*.cc
     ${CMAKE_SOURCE_DIR}/marshal/*.cc)
list(REMOVE_ITEM KIV_PRODUCT_SOURCES ${CMAKE_SOURCE_DIR}/app/main.cc)

# Links the product library and kiv-subprocess against a framework target.
function(kiv_link_product framework_target)
  if(NOT KIV_PRODUCT_SOURCES)
    return()
  endif()
  add_library(kivproduct STATIC ${KIV_PRODUCT_SOURCES})
  target_include_directories(kivproduct PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(kivproduct PRIVATE ${KIV_WARNINGS})
  target_link_libraries(kivproduct PUBLIC ${framework_target})
  if(EXISTS ${CMAKE_SOURCE_DIR}/app/main.cc)
    add_executable(kiv-subprocess ${CMAKE_SOURCE_DIR}/app/main.cc)
    target_compile_options(kiv-subprocess PRIVATE ${KIV_WARNINGS})
    target_link_libraries(kiv-subprocess PRIVATE kivproduct)
  endif()
endfunction()
