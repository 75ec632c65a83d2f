message(FATAL_ERROR "The real-CEF build is not set up yet")
