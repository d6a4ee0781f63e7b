// Every message key the native side looks up in the string tables. Code
// names keys through these constants; the string tables under
// resources/i18n hold a text for each of them in every language.
#pragma once

#include <array>
#include <string_view>

// X(constant, "key") for every message key, grouped by where it is shown.
#define ORBO_MESSAGE_KEYS(X)                                           \
  /* message boxes and the page bridge */                              \
  X(kAlertTitle, "alert_title")                                        \
  X(kBtnYes, "btn_yes")                                                \
  X(kBtnNo, "btn_no")                                                  \
  X(kSaveConfigFailed, "save_config_failed")                           \
  X(kDetectOrboFailed, "detect_orbo_failed")                           \
  X(kLightCmdSuc, "light_cmd_suc")                                     \
  X(kLightCmdErr, "light_cmd_err")                                     \
  /* main window, About box, skinned frame */                          \
  X(kButtonMonitor, "button_monitor")                                  \
  X(kButtonSetup, "button_setup")                                      \
  X(kButtonConfig, "button_config")                                    \
  X(kButtonAbout, "button_about")                                      \
  X(kInitVirtualPort, "init_virtual_port")                             \
  X(kStatuReady, "statu_ready")                                        \
  X(kReinstallMsg, "reinstall_msg")                                    \
  X(kAboutString1, "about_string1")                                    \
  X(kAboutString2, "about_string2")                                    \
  X(kMinimize, "minimize")                                             \
  X(kMaximize, "maximize")                                             \
  X(kRestore, "restore")                                               \
  X(kClose, "close")                                                   \
  /* file transfer */                                                  \
  X(kDownloadSuccess, "download_success")                              \
  X(kDownloadFailed, "download_failed")                                \
  X(kUploadConfigFile, "upload_config_file")                           \
  X(kUploadConfigSuccess, "upload_config_success")                     \
  X(kUploadConfigFailed, "upload_config_failed")                       \
  X(kUploadPasswordInvalid, "upload_password_invalid")                 \
  X(kUploadProhibit, "upload_prohibit")                                \
  X(kUploadPasswordRefused, "upload_password_refused")                 \
  X(kLocalFileWriteFailed, "local_file_write_failed")                  \
  X(kWifiSaveRefused, "wifi_save_refused")                             \
  /* network test */                                                   \
  X(kDetectingNetwork, "detecting_network")                            \
  X(kDetectNetworkFailed, "detect_network_failed")                     \
  X(kEthernetIpAddress, "ethernet_ip_address")                         \
  X(kGetEthernetIpFailed, "get_ethernet_ip_failed")                    \
  X(kEthernetMacAddress, "ethernet_mac_address")                       \
  X(kGetEthernetMacFailed, "get_ethernet_mac_failed")                  \
  X(kWifiIpAddress, "wifi_ip_address")                                 \
  X(kGetWifiIpFailed, "get_wifi_ip_failed")                            \
  X(kWifiMacAddress, "wifi_mac_address")                               \
  X(kGetWifiMacFailed, "get_wifi_mac_failed")                          \
  X(kMobileNetworkIpAddress, "mobile_network_ip_address")              \
  X(kGet4gIpFailed, "get_4g_ip_failed")                                \
  X(kConnectServerTime, "connect_server_time")                         \
  X(kConnectServerFailed, "connect_server_failed")                     \
  X(kSetEthernetFailed, "set_ethernet_failed")                         \
  X(kSetWifiFailed, "set_wifi_failed")                                 \
  X(kSet4gFailed, "set_4g_failed")                                     \
  X(kMobileNetwork, "mobile_network")                                  \
  X(kStringFormat, "string_format") /* printf format, three doubles */ \
  /* time and time zone */                                             \
  X(kUpdatingTime, "updating_time")                                    \
  X(kUpdateTzSuccess, "update_tz_success")                             \
  X(kUpdateTzSame, "update_tz_same")                                   \
  X(kUpdateTzFail, "update_tz_fail")                                   \
  X(kUpdateTzErrUpdateFirm, "update_tz_err_update_firm")               \
  X(kUpdateTimeSuccess, "update_time_success")                         \
  X(kUpdateTimeFailed, "update_time_failed")                           \
  X(kIsUpdateTz, "is_update_tz")                                       \
  /* configuration and project transfer, mode and power */             \
  X(kStoppingOrbo, "stopping_orbo")                                    \
  X(kStopOrboFailed, "stop_orbo_failed")                               \
  X(kDownloadConfigFile, "download_config_file")                       \
  X(kDownloadProjectFile, "download_project_file")                     \
  X(kRebootOrbo, "reboot_orbo")                                        \
  X(kGetMaccodeSuccess, "get_maccode_success")                         \
  X(kGetMaccodeFailed, "get_maccode_failed")                           \
  X(kSetModeSuccess, "set_mode_success")                               \
  X(kSetModeFailed, "set_mode_failed")                                 \
  /* firmware update */                                                \
  X(kDetectFireware, "detect_fireware")                                \
  X(kDetectFirewareFailed, "detect_fireware_failed")                   \
  X(kDetectSoftFirewareFailed, "detect_soft_fireware_failed")          \
  X(kDetectNewFirmware, "detect_new_firmware")                         \
  X(kIsUpdateFirmware, "is_update_firmware")                           \
  X(kUpdateNote, "update_note")                                        \
  X(kDownloadFile, "download_file")                                    \
  X(kIsUpToDate, "is_up_to_date")                                      \
  X(kOpenSrcFileFailed, "open_src_file_failed")                        \
  X(kCryptFileFailed, "crypt_file_failed")                             \
  X(kMd5Error, "md5_error")                                            \
  /* port service, virtual port, COM names */                          \
  X(kInstallingServer, "installing_server")                            \
  X(kEnableServer, "enable_server")                                    \
  X(kInstallServerSuccess, "install_server_success")                   \
  X(kCreateError, "create_error")                                      \
  /* {port}: the relay's local port */                                 \
  X(kRelayListenError, "relay_listen_error")                           \
  X(kComIsUsing, "com_is_using") /* appended to the current entry */   \
  /* virtual port settings dialog */                                   \
  X(kVirtualConfig, "virtual_config")                                  \
  X(kDetectServerYes, "detect_server_yes")                             \
  X(kDetectServerNo, "detect_server_no")                               \
  X(kBtnUninstallServer, "btn_uninstall_server")                       \
  X(kBtnInstallServer, "btn_install_server")                           \
  X(kBtnStartUpServer, "btn_start_up_server")                          \
  X(kUsingCom, "using_com")                                            \
  X(kBtnSet, "btn_set")                                                \
  X(kUninServer, "unin_server")                                        \
  X(kBrowser, "browser")                                               \
  X(kRecommend, "recommend")                                           \
  X(kBrowse, "browse")                                                 \
  X(kCurserver, "curserver")                                           \
  X(kCertFile, "cert_file")                                            \
  X(kCertImport, "cert_import")                                        \
  X(kIsInstallServer, "is_install_server")                             \
  X(kInstallServerError, "install_server_error")                       \
  X(kSetComError, "set_com_error")                                     \
  X(kServerApplyFailed, "server_apply_failed")                         \
  /* {sent} {received} {dropped} {reconnects} */                       \
  X(kPortTraffic, "port_traffic")                                      \
  /* branding import */                                                \
  X(kSetCertFile, "set_cert_file")                                     \
  /* panel editor download */                                          \
  X(kHmiDownEnabled, "hmi_down_enabled")                               \
  X(kHmiDownDisabled, "hmi_down_disabled")                             \
  X(kHmiDownSet, "hmi_down_set")                                       \
  X(kHmiNoEditor, "hmi_no_editor")                                     \
  X(kHmiIncompatVer, "hmi_incompat_ver")                               \
  X(kHmiNoVer, "hmi_no_ver")                                           \
  X(kHmiSaveFailed, "hmi_save_failed")                                 \
  X(kPosition, "position")                                             \
  X(kVersion, "version")                                               \
  X(kBtnOk, "btn_ok")                                                  \
  X(kCancel, "cancel")                                                 \
  /* the pages (looked up by their own script) */                      \
  X(kPageTitle, "page_title")                                          \
  X(kPageProfile, "page_profile")                                      \
  X(kPageWelcome, "page_welcome")                                      \
  X(kPageNoBridge, "page_no_bridge")                                   \
  X(kPageConnection, "page_connection")                                \
  X(kPageAddress, "page_address")                                      \
  X(kPageConnect, "page_connect")                                      \
  X(kPageSweep, "page_sweep")                                          \
  X(kPageScan, "page_scan")                                            \
  X(kPageNoBoxes, "page_no_boxes")                                     \
  X(kPageBox, "page_box")                                              \
  X(kPageBoxUnknown, "page_box_unknown")                               \
  X(kPageActions, "page_actions")                                      \
  X(kPageNetwork, "page_network")                                      \
  X(kPageMaccode, "page_maccode")                                      \
  X(kPageLight, "page_light")                                          \
  X(kPageReboot, "page_reboot")                                        \
  X(kPageTimezone, "page_timezone")                                    \
  X(kPageSettime, "page_settime")                                      \
  X(kPageMode, "page_mode")                                            \
  X(kPageSetmode, "page_setmode")                                      \
  X(kPageBusy, "page_busy")                                            \
  X(kPageLog, "page_log")                                              \
  X(kPageClearlog, "page_clearlog")                                    \
  X(kPageFiles, "page_files")                                          \
  X(kPageSendcfg, "page_sendcfg")                                      \
  X(kPageFetchcfg, "page_fetchcfg")                                    \
  X(kPageResendcfg, "page_resendcfg")                                  \
  X(kPageSavecfg, "page_savecfg")                                      \
  X(kPageReloadcfg, "page_reloadcfg")                                  \
  X(kPageOffer, "page_offer")                                          \
  X(kPageLoadsetup, "page_loadsetup")                                  \
  X(kPageSetupLoaded, "page_setup_loaded")                             \
  X(kPageSetupUnreadable, "page_setup_unreadable")                     \
  X(kPageProfileLoaded, "page_profile_loaded")                         \
  X(kPageProfileUnreadable, "page_profile_unreadable")                 \
  X(kPageSendprj, "page_sendprj")                                      \
  X(kPagePrjpsw, "page_prjpsw")                                        \
  X(kPageFetchprj, "page_fetchprj")                                    \
  X(kPagePass, "page_pass")                                            \
  X(kPagePassType, "page_pass_type")                                   \
  X(kPagePassSerial, "page_pass_serial")                               \
  X(kPagePassTcp, "page_pass_tcp")                                     \
  X(kPagePassUrl, "page_pass_url")                                     \
  X(kPagePassLocal, "page_pass_local")                                 \
  X(kPagePassBad, "page_pass_bad")                                     \
  X(kPagePassBadPort, "page_pass_bad_port")                            \
  X(kPagePassStart, "page_pass_start")                                 \
  X(kPagePassEnd, "page_pass_end")                                     \
  X(kPageHmiDownload, "page_hmi_download")                             \
  X(kPageHmiNoUrl, "page_hmi_no_url")                                  \
  X(kPageHmiStarted, "page_hmi_started")                               \
  X(kPageHmiFailed, "page_hmi_failed")                                 \
  X(kPageWifiList, "page_wifi_list")                                   \
  X(kPageWifiHint, "page_wifi_hint")                                   \
  X(kPageWifisave, "page_wifisave")                                    \
  X(kPageWififorget, "page_wififorget")                                \
  X(kPageWifiNameNeeded, "page_wifi_name_needed")                      \
  X(kPageConfig, "page_config")                                        \
  X(kPageGroupBase, "page_group_base")                                 \
  X(kPageGroupCloud, "page_group_cloud")                               \
  X(kPageGroupPanel, "page_group_panel")                               \
  X(kPageGroupDevice, "page_group_device")                             \
  X(kPageGroupPass, "page_group_pass")                                 \
  X(kPageBoxName, "page_box_name")                                     \
  X(kPageNetFirst, "page_net_first")                                   \
  X(kPageNetSecond, "page_net_second")                                 \
  X(kPageNetThird, "page_net_third")                                   \
  X(kPageEthernet, "page_ethernet")                                    \
  X(kPageWifi, "page_wifi")                                            \
  X(kPageMobile, "page_mobile")                                        \
  X(kPageOn, "page_on")                                                \
  X(kPageOff, "page_off")                                              \
  X(kPageEnable, "page_enable")                                        \
  X(kPageDhcp, "page_dhcp")                                            \
  X(kPageIp, "page_ip")                                                \
  X(kPageMask, "page_mask")                                            \
  X(kPageGateway, "page_gateway")                                      \
  X(kPageDns, "page_dns")                                              \
  X(kPageSsid, "page_ssid")                                            \
  X(kPagePassword, "page_password")                                    \
  X(kPageSecurity, "page_security")                                    \
  X(kPageApn, "page_apn")                                              \
  X(kPageUser, "page_user")                                            \
  X(kPagePin, "page_pin")                                              \
  X(kPageServer, "page_server")                                        \
  X(kPagePort, "page_port")                                            \
  X(kPageTls, "page_tls")                                              \
  X(kPageProjectName, "page_project_name")                             \
  X(kPageProtocol, "page_protocol")                                    \
  X(kPageBaud, "page_baud")                                            \
  X(kPageDataBits, "page_data_bits")                                   \
  X(kPageParity, "page_parity")                                        \
  X(kPageStopBits, "page_stop_bits")                                   \
  X(kPageTcpPort, "page_tcp_port")                                     \
  X(kPageNtpServer, "page_ntp_server")                                 \
  X(kMonitorTitle, "monitor_title")                                    \
  X(kMonitorDemo, "monitor_demo")                                      \
  X(kMonitorDemoText, "monitor_demo_text")                             \
  X(kMonitorProfile, "monitor_profile")                                \
  X(kMonitorUnreadable, "monitor_unreadable")                          \
  X(kMonitorSetup, "monitor_setup")

namespace orbo::keys {

#define ORBO_DEFINE_MESSAGE_KEY(name, text) inline constexpr char name[] = text;
ORBO_MESSAGE_KEYS(ORBO_DEFINE_MESSAGE_KEY)
#undef ORBO_DEFINE_MESSAGE_KEY

#define ORBO_LIST_MESSAGE_KEY(name, text) std::string_view(text),
// All keys, in the order above.
inline constexpr std::array kAllMessageKeys = {ORBO_MESSAGE_KEYS(ORBO_LIST_MESSAGE_KEY)};
#undef ORBO_LIST_MESSAGE_KEY

}  // namespace orbo::keys
