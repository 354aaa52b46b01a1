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
# The settings tool for the build machine, to make the default settings image.
QD_RC_DEPENDENCIES = host-qd-rc
# The target's install is qd_rc alone, in /sbin, from where it runs itself.
QD_RC_CONF_OPTS = -DBUILD_TESTING=OFF

# The host build installs into $(HOST_DIR): qd_nvram_tool in bin, the docs in share/doc/qd_rc,
# and a host qd_rc in sbin, which nothing uses.
HOST_QD_RC_CONF_OPTS = -DBUILD_TESTING=OFF -DQD_SBINDIR=$(HOST_DIR)/sbin

$(eval $(cmake-package))
$(eval $(host-cmake-package))
