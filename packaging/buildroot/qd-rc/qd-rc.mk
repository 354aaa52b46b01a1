################################################################################
#
# qd-rc
#
################################################################################

QD_RC_VERSION = local
QD_RC_SITE = $(call qstrip,$(BR2_PACKAGE_QD_RC_SOURCE_DIR))
QD_RC_SITE_METHOD = local
QD_RC_LICENSE = Proprietary
QD_RC_SUPPORTS_IN_SOURCE_BUILD = NO
# The install rule puts qd_rc in /sbin (it runs itself as /sbin/qd_rc), the tool in /usr/bin.
QD_RC_CONF_OPTS = -DBUILD_TESTING=OFF

# The settings tool for the build machine, to make the default settings image.
HOST_QD_RC_CONF_OPTS = -DBUILD_TESTING=OFF
HOST_QD_RC_MAKE_OPTS = qd_nvram_tool
define HOST_QD_RC_INSTALL_CMDS
	$(INSTALL) -D -m 0755 $(@D)/buildroot-build/tools/qd_nvram_tool $(HOST_DIR)/bin/qd_nvram_tool
endef

$(eval $(cmake-package))
$(eval $(host-cmake-package))
