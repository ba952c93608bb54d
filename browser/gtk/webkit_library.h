#pragma once

#include <webkit2/webkit2.h>

#include <string>

// The program does not link WebKit: its libraries take about a tenth of a second to load and
// relocate, which the installer dialog would pay before it could appear. They are opened when the
// editor's engine first starts, and every WebKit and JavaScriptCore function the program calls is
// reached through this table. Each entry has the type of the function the headers declare, so the
// calls stay type-checked, and a direct call added elsewhere fails to link.
#define KX_WEBKIT_FUNCTIONS(X)                                            \
  X(jsc_value_is_boolean)                                                 \
  X(jsc_value_is_object)                                                  \
  X(jsc_value_is_string)                                                  \
  X(jsc_value_object_get_property)                                        \
  X(jsc_value_to_boolean)                                                 \
  X(jsc_value_to_string)                                                  \
  X(webkit_javascript_result_get_js_value)                                \
  X(webkit_navigation_action_get_request)                                 \
  X(webkit_navigation_policy_decision_get_navigation_action)              \
  X(webkit_navigation_policy_decision_get_type)                           \
  X(webkit_network_error_quark)                                           \
  X(webkit_network_proxy_settings_free)                                   \
  X(webkit_network_proxy_settings_new)                                    \
  X(webkit_policy_decision_ignore)                                        \
  X(webkit_policy_error_quark)                                            \
  X(webkit_response_policy_decision_get_request)                          \
  X(webkit_response_policy_decision_get_type)                             \
  X(webkit_settings_set_allow_file_access_from_file_urls)                 \
  X(webkit_settings_set_allow_universal_access_from_file_urls)            \
  X(webkit_settings_set_default_charset)                                  \
  X(webkit_settings_set_javascript_can_open_windows_automatically)        \
  X(webkit_uri_request_get_uri)                                           \
  X(webkit_user_content_filter_store_get_type)                            \
  X(webkit_user_content_filter_store_new)                                 \
  X(webkit_user_content_filter_store_save)                                \
  X(webkit_user_content_filter_store_save_finish)                         \
  X(webkit_user_content_filter_unref)                                     \
  X(webkit_user_content_manager_add_filter)                               \
  X(webkit_user_content_manager_add_script)                               \
  X(webkit_user_content_manager_register_script_message_handler_in_world) \
  X(webkit_user_script_new_for_world)                                     \
  X(webkit_user_script_unref)                                             \
  X(webkit_web_context_add_path_to_sandbox)                               \
  X(webkit_web_context_get_default)                                       \
  X(webkit_web_view_evaluate_javascript)                                  \
  X(webkit_web_view_evaluate_javascript_finish)                           \
  X(webkit_web_view_get_settings)                                         \
  X(webkit_web_view_get_type)                                             \
  X(webkit_web_view_get_uri)                                              \
  X(webkit_web_view_get_user_content_manager)                             \
  X(webkit_web_view_get_website_data_manager)                             \
  X(webkit_web_view_is_loading)                                           \
  X(webkit_web_view_load_uri)                                             \
  X(webkit_web_view_new)                                                  \
  X(webkit_website_data_manager_set_network_proxy_settings)

// The members are named after the functions, but they are data in this table, not symbols of the
// program, so nothing can take the place of WebKit's own functions.
struct WebKitFunctions {
#define KX_WEBKIT_MEMBER(name) decltype(&::name) name = nullptr;
  KX_WEBKIT_FUNCTIONS(KX_WEBKIT_MEMBER)
#undef KX_WEBKIT_MEMBER
};

// The library the program's editor runs in; its package is one of the program's dependencies.
inline constexpr char kWebKitLibrary[] = "libwebkit2gtk-4.1.so.0";

// Opens `library` (once: later calls with the same name return the same table) and resolves every
// function of the table. Null when the library cannot be opened or lacks a function; `reason` then
// says which, and nothing of that library stays loaded by this call.
const WebKitFunctions* loadWebKit(const char* library, std::string* reason);

// The table once loadWebKit has succeeded, else null.
const WebKitFunctions* loadedWebKit();

// The instance cast of GObject's checked casts (what WEBKIT_WEB_VIEW() and its kind do), with the
// type from the table.
template <typename T>
T* webkitCast(gpointer instance, GType type) {
  return G_TYPE_CHECK_INSTANCE_CAST(instance, type, T);
}
