message(STATUS "demo: not written yet")
