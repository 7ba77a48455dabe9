"""Debian's headless Chromium driven through chromedriver (python3-selenium), set up one way
for the page's browser tests (page_test.py) and its browser figures (bench/page_browser.py):
no sandbox, no GPU, nothing fetched in the background, one device pixel per CSS pixel, a
fresh profile of the caller's.

    from chromium import CHROMIUM, start
    driver = start(profile_dir, 1000, 700, logs=True)
"""

import shutil

CHROMIUM = shutil.which("chromium")

FLAGS = (
    "--headless=new",
    "--no-sandbox",
    "--disable-gpu",
    "--disable-quic",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--force-device-scale-factor=1",
)


def start(profile, width, height, logs=False, timeout=60):
    """A headless Chromium with a width × height window and its profile in the directory
    profile; with logs, the console and network logs are kept (driver.get_log). Scripts and
    page loads may take timeout seconds."""
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    if CHROMIUM is None:
        raise RuntimeError("chromium is not installed")
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in FLAGS + (f"--window-size={width},{height}", f"--user-data-dir={profile}"):
        options.add_argument(flag)
    if logs:
        options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
    driver.set_script_timeout(timeout)
    driver.set_page_load_timeout(timeout)
    return driver
