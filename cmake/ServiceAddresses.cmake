# Fixed service addresses. They are build settings, never read from a file or the
# environment at run time; the defaults use the reserved .example domain until a real
# operator is configured when building.
set(ORVEK_GATEWAY_URL "https://sms.talvane.example/sms/com.strova" CACHE STRING "Hosted SMS gateway POST URL")
# The interactive service is spoken to over plain HTTP.
set(ORVEK_GATHWIN_URL "http://gathwin.talvane.example/gathwin.asp" CACHE STRING "Interactive SMS service POST URL (plain HTTP)")
# Build folders configured before the default above was corrected still cache the earlier
# TLS form of the placeholder address; move them to the current default.
if(ORVEK_GATHWIN_URL STREQUAL "https://gathwin.talvane.example/gathwin.asp")
  set(ORVEK_GATHWIN_URL "http://gathwin.talvane.example/gathwin.asp" CACHE STRING "Interactive SMS service POST URL (plain HTTP)" FORCE)
endif()
# The automatic program fetches new interactive messages from a host of its own (plain HTTP).
set(ORVEK_KOVASET_GATHWIN_URL "http://kovaset.gathwin.talvane.example/gathwin.asp" CACHE STRING "Interactive SMS service POST URL of the automatic program (plain HTTP)")
set(ORVEK_WEBCLIENT_URL "https://www.talvane.example/webtalvane/" CACHE STRING "Gateway operator web client")
set(ORVEK_CREDIT_URL "https://www.talvane.example/webtalvane/Kontor.asp" CACHE STRING "Credit top-up page")
set(ORVEK_WEBCLIENT_COMPANY "talvane" CACHE STRING "Company code of the web client page for an on-site gateway account")
set(ORVEK_PRODUCT_SITE_URL "https://www.talvane.example/sms/login.asp" CACHE STRING "Product site login page")
set(ORVEK_PRODUCT_HOME_URL "https://www.talvane.example/" CACHE STRING "Product site home page")
set(ORVEK_ADVERT_URL "https://www.talvane.example/reklam/" CACHE STRING "Advertisement page")
set(ORVEK_DATA_ACCESS_URL "https://packages.debian.org/bookworm/libqt6sql6-sqlite" CACHE STRING "Download page of the data access components")
configure_file(${CMAKE_SOURCE_DIR}/core/ServiceAddresses.h.in ${CMAKE_BINARY_DIR}/generated/ServiceAddresses.h @ONLY)
