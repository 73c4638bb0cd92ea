#!/usr/bin/python3
"""An RTSP camera for the tests, served by GStreamer's RTSP server on 127.0.0.1.

Prints "PORT <n>" once it listens (the port is the system's choice unless --port is given),
then serves a test pattern until killed.

  rtsp_server.py --codec h264 --size 1280x720 --fps 25 [--user u --password p [--digest]] [--path /live]
                 [--resize-after SECONDS --resize WxH] [--audio [pcmu|aac]]
"""
import argparse
import ctypes
import signal
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtsp", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtsp, GstRtspServer  # noqa: E402

ENCODERS = {
    "h264": "x264enc tune=zerolatency speed-preset=ultrafast key-int-max={gop} ! "
            "video/x-h264,profile=baseline ! rtph264pay name=pay0 pt=96 config-interval=1",
    "h265": "x265enc tune=zerolatency speed-preset=ultrafast key-int-max={gop} ! "
            "rtph265pay name=pay0 pt=96 config-interval=1",
    "mjpeg": "video/x-raw,format=I420 ! jpegenc quality=85 ! rtpjpegpay name=pay0 pt=26",
}


def main():
    # Ends with the test that started it, even one that aborted: left running, it would hold
    # the test runner's output open.
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)
    parser = argparse.ArgumentParser()
    parser.add_argument("--codec", choices=sorted(ENCODERS), default="h264")
    parser.add_argument("--size", default="640x360")
    parser.add_argument("--fps", type=int, default=25)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--path", default="/live")
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--digest", action="store_true", help="Digest instead of Basic")
    parser.add_argument("--audio", nargs="?", const="pcmu", choices=["pcmu", "aac"],
                        help="add sound: G.711 mu-law (the default) or AAC")
    parser.add_argument("--resize-after", type=float, help="seconds until the size changes")
    parser.add_argument("--resize", default="160x120", help="the size it changes to")
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))

    Gst.init(None)
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(str(args.port))

    video = (f"videotestsrc is-live=true pattern=ball ! video/x-raw,framerate={args.fps}/1 ! "
             f"videoscale ! capsfilter name=size caps=video/x-raw,width={width},height={height} ! "
             f"videoconvert ! " + ENCODERS[args.codec].format(gop=args.fps))
    launch = f"( {video} "
    if args.audio == "pcmu":
        launch += ("audiotestsrc is-live=true wave=sine freq=440 ! audio/x-raw,rate=8000,channels=1 "
                   "! mulawenc ! rtppcmupay name=pay1 pt=0 ")
    elif args.audio == "aac":
        launch += ("audiotestsrc is-live=true wave=sine freq=440 ! audioconvert ! audioresample ! "
                   "audio/x-raw,rate=16000,channels=1 ! avenc_aac ! aacparse ! "
                   "rtpmp4gpay name=pay1 pt=96 ")
    launch += ")"
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_launch(launch)
    factory.set_shared(True)

    if args.user:
        auth = GstRtspServer.RTSPAuth()
        token = GstRtspServer.RTSPToken()
        token.set_string(GstRtspServer.RTSP_TOKEN_MEDIA_FACTORY_ROLE, "viewer")
        if args.digest:
            auth.add_digest(args.user, args.password or "", token)
            auth.set_supported_methods(GstRtsp.RTSPAuthMethod.DIGEST)
        else:
            auth.add_basic(GstRtspServer.RTSPAuth.make_basic(args.user, args.password or ""),
                           token)
        server.set_auth(auth)
        permissions = GstRtspServer.RTSPPermissions()
        permissions.add_permission_for_role("viewer", "media.factory.access", True)
        permissions.add_permission_for_role("viewer", "media.factory.construct", True)
        factory.set_permissions(permissions)

    if args.resize_after is not None:
        # A camera whose picture size changes midway, as when its owner changes a setting.
        new_width, new_height = (int(v) for v in args.resize.split("x"))

        def resize_later(_factory, media):
            size = media.get_element().get_by_name("size")

            def resize():
                size.set_property("caps", Gst.Caps.from_string(
                    f"video/x-raw,width={new_width},height={new_height}"))
                return False

            GLib.timeout_add(int(args.resize_after * 1000), resize)

        factory.connect("media-configure", resize_later)

    server.get_mount_points().add_factory(args.path, factory)
    if server.attach(None) == 0:
        print("could not listen", file=sys.stderr)
        return 1
    print(f"PORT {server.get_bound_port()}", flush=True)
    loop = GLib.MainLoop()
    signal.signal(signal.SIGTERM, lambda *_: loop.quit())
    signal.signal(signal.SIGINT, lambda *_: loop.quit())
    GLib.timeout_add(200, lambda: True)  # lets the signal handlers run
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
