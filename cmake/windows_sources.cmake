# The Windows build's share of the core sources: the system itself supplies what platform/native/
# and component/native/ stand in for on Linux.
list(FILTER VK_CORE_SOURCES EXCLUDE REGEX "/(component|platform)/native/")
# The time services keep one set of automation-date arithmetic for both builds; their file
# carries its own Windows branch for the clock and the zone.
list(APPEND VK_CORE_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/native/time_services.cpp)
# Late binding goes through the registered type library (component/win32/typeinfo_dispatch.cpp)
# instead of the dispatcher driven by the member table.
list(FILTER VK_CORE_SOURCES EXCLUDE REGEX "/component/(vkstring_)?dispatch\\.cpp$")
