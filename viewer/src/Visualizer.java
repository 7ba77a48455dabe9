// Shows one image in a window and exits with status 0 when the window is closed. When the
// image cannot be read or no display can be opened it writes why on standard error and
// exits with status 1 (2 for a wrong command line), so the caller reports the failure.
import java.awt.Dimension;
import java.awt.Graphics;
import java.awt.GraphicsEnvironment;
import java.awt.Rectangle;
import java.awt.image.BufferedImage;
import java.io.File;
import java.lang.reflect.InvocationTargetException;
import javax.imageio.ImageIO;
import javax.swing.JComponent;
import javax.swing.JFrame;
import javax.swing.JScrollPane;
import javax.swing.SwingUtilities;
import javax.swing.WindowConstants;

public final class Visualizer {
    private Visualizer() {}

    /** Paints the image at its own size, pixel for pixel, from the top left corner. */
    private static final class ImagePanel extends JComponent {
        private static final long serialVersionUID = 1L;
        private final transient BufferedImage image;

        ImagePanel(BufferedImage image) {
            this.image = image;
            setPreferredSize(new Dimension(image.getWidth(), image.getHeight()));
        }

        @Override
        protected void paintComponent(Graphics g) {
            g.drawImage(image, 0, 0, null);
        }
    }

    private static void fail(String message, int status) {
        System.err.println("visualizer: " + message);
        System.exit(status);
    }

    private static String describe(Throwable error) {
        String text = error.getMessage();
        return text == null || text.isEmpty() ? error.getClass().getSimpleName() : text;
    }

    private static BufferedImage readImage(String name) {
        try {
            BufferedImage image = ImageIO.read(new File(name));
            if (image == null) fail("cannot read image " + name + ": not an image file", 1);
            return image;
        } catch (Exception | OutOfMemoryError error) {
            fail("cannot read image " + name + ": " + describe(error), 1);
            return null;
        }
    }

    private static void show(String name, BufferedImage image) {
        JFrame frame = new JFrame(name);
        frame.setDefaultCloseOperation(WindowConstants.EXIT_ON_CLOSE);
        JScrollPane scroller = new JScrollPane(new ImagePanel(image));
        scroller.setBorder(null);
        frame.getContentPane().add(scroller);
        frame.pack();
        // A picture larger than the screen is scrolled rather than pushed off the screen.
        Rectangle usable =
                GraphicsEnvironment.getLocalGraphicsEnvironment().getMaximumWindowBounds();
        frame.setSize(Math.min(frame.getWidth(), usable.width),
                Math.min(frame.getHeight(), usable.height));
        frame.setLocationRelativeTo(null);
        frame.setVisible(true);
    }

    public static void main(String[] args) {
        if (args.length != 1) fail("usage: java -jar visualizer.jar IMAGE", 2);
        String name = args[0];
        BufferedImage image = readImage(name);
        if (GraphicsEnvironment.isHeadless()) {
            fail("no display to show " + name + " on (DISPLAY is not set)", 1);
        }
        try {
            SwingUtilities.invokeAndWait(() -> show(name, image));
        } catch (InvocationTargetException error) {
            fail("cannot open a window for " + name + ": " + describe(error.getCause()), 1);
        } catch (InterruptedException | Error error) {
            fail("cannot open a window for " + name + ": " + describe(error), 1);
        }
    }
}
