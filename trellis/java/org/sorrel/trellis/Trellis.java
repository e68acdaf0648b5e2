package org.sorrel.trellis;

import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.net.Authenticator;
import java.net.InetSocketAddress;
import java.net.PasswordAuthentication;
import java.net.ProxySelector;
import java.net.URI;
import java.net.URLEncoder;
import java.net.http.HttpClient;
import java.net.http.HttpRequest;
import java.net.http.HttpResponse;
import java.nio.charset.StandardCharsets;
import java.time.Duration;
import javax.xml.XMLConstants;
import javax.xml.parsers.DocumentBuilder;
import javax.xml.parsers.DocumentBuilderFactory;
import javax.xml.parsers.ParserConfigurationException;
import javax.xml.transform.ErrorListener;
import javax.xml.transform.Transformer;
import javax.xml.transform.TransformerException;
import javax.xml.transform.TransformerFactory;
import javax.xml.transform.dom.DOMSource;
import javax.xml.transform.stream.StreamResult;
import org.w3c.dom.Document;
import org.xml.sax.InputSource;
import org.xml.sax.helpers.DefaultHandler;

/**
 * The Java side of Trellis.dll: patent data from the search server's register and XSLT
 * renderings. Called through JNI; texts travel as UTF-8 bytes in both directions, so that the
 * native side never hands the virtual machine bytes that are not valid modified UTF-8.
 */
public final class Trellis {
  /** Search by the country, number and kind of a publication. */
  static final int PUBLICATION_NUMBER = 0;

  private static final Duration CONNECT_TIMEOUT = Duration.ofSeconds(10);
  private static final Duration REQUEST_TIMEOUT = Duration.ofSeconds(30);

  private static volatile HttpClient client = buildClient(null, 0, "", "");

  private Trellis() {}

  /** Sends later requests through host:port, with Basic credentials when user is not empty. */
  public static void setProxySettings(byte[] host, int port, byte[] user, byte[] password)
      throws TrellisException {
    String hostName = text(host);
    if (!hostName.isEmpty() && (port <= 0 || port > 65535)) {
      throw new TrellisException("Invalid proxy port: " + port);
    }
    client = buildClient(hostName.isEmpty() ? null : hostName, port, text(user), text(password));
  }

  /**
   * The register document of one publication, as the server sent it. serverUrl is the address of
   * the server's search servlet; the register lies beside it.
   */
  public static byte[] getXmlData(byte[] serverUrl, int searchType, byte[] country, byte[] number,
      byte[] kind, boolean bibliographic, boolean family, boolean legalStatus)
      throws TrellisException {
    if (searchType != PUBLICATION_NUMBER) {
      throw new TrellisException("Search type " + searchType + " is not supported");
    }
    String patent = text(country) + " " + text(number) + " " + text(kind);
    URI uri;
    try {
      StringBuilder query = new StringBuilder("register?country=")
          .append(encode(country)).append("&number=").append(encode(number))
          .append("&kind=").append(encode(kind));
      if (bibliographic) query.append("&biblio=1");
      if (family) query.append("&family=1");
      if (legalStatus) query.append("&legal=1");
      uri = new URI(text(serverUrl)).resolve(query.toString());
    } catch (Exception e) {
      throw new TrellisException("Invalid server address \"" + text(serverUrl) + "\": "
          + e.getMessage(), e);
    }
    HttpResponse<byte[]> response;
    try {
      HttpRequest request = HttpRequest.newBuilder(uri).timeout(REQUEST_TIMEOUT).GET().build();
      response = client.send(request, HttpResponse.BodyHandlers.ofByteArray());
    } catch (IOException e) {
      throw new TrellisException("Cannot reach " + uri + ": " + e, e);
    } catch (InterruptedException e) {
      Thread.currentThread().interrupt();
      throw new TrellisException("Interrupted while reaching " + uri, e);
    } catch (RuntimeException e) {
      throw new TrellisException("Cannot reach " + uri + ": " + e, e);
    }
    int status = response.statusCode();
    if (status == 404) {
      throw new TrellisException("Patent " + patent + " not found");
    }
    if (status != 200) {
      throw new TrellisException("The server answered HTTP " + status + " for " + patent + ": "
          + excerpt(response.body()));
    }
    return response.body();
  }

  /**
   * Transforms xml with the style sheet in the file styleSheetPath, with parameters given as
   * "name=value" lines. Answers the rendering's bytes and the warnings, one per line. Neither the
   * document nor the style sheet may load an external DTD or entity.
   */
  public static byte[][] xmlToXhtml(byte[] xml, byte[] styleSheetPath, byte[] parameters)
      throws TrellisException {
    String sheetPath = text(styleSheetPath);
    File sheetFile = new File(sheetPath);
    if (!sheetFile.isFile()) {
      throw new TrellisException("Style sheet not found: " + sheetPath);
    }
    StringBuilder warnings = new StringBuilder();
    try {
      DocumentBuilder parser = secureParser();
      InputSource sheetSource = new InputSource(sheetFile.toURI().toString());
      Document sheet = parser.parse(sheetSource);
      Document document = parser.parse(new InputSource(new ByteArrayInputStream(xml)));

      TransformerFactory factory = TransformerFactory.newInstance();
      factory.setFeature(XMLConstants.FEATURE_SECURE_PROCESSING, true);
      factory.setAttribute(XMLConstants.ACCESS_EXTERNAL_DTD, "");
      factory.setAttribute(XMLConstants.ACCESS_EXTERNAL_STYLESHEET, "file");
      ErrorListener listener = new ErrorListener() {
        @Override
        public void warning(TransformerException e) {
          warnings.append(e.getMessageAndLocation()).append('\n');
        }

        @Override
        public void error(TransformerException e) throws TransformerException {
          throw e;
        }

        @Override
        public void fatalError(TransformerException e) throws TransformerException {
          throw e;
        }
      };
      factory.setErrorListener(listener);
      Transformer transformer =
          factory.newTransformer(new DOMSource(sheet, sheetFile.toURI().toString()));
      transformer.setErrorListener(listener);
      for (String line : text(parameters).split("\n")) {
        line = line.strip();
        if (line.isEmpty()) continue;
        int equals = line.indexOf('=');
        if (equals <= 0) {
          throw new TrellisException("Invalid style-sheet parameter \"" + line + "\"");
        }
        transformer.setParameter(line.substring(0, equals), line.substring(equals + 1));
      }
      ByteArrayOutputStream out = new ByteArrayOutputStream();
      transformer.transform(new DOMSource(document), new StreamResult(out));
      return new byte[][] {out.toByteArray(), warnings.toString().getBytes(StandardCharsets.UTF_8)};
    } catch (TrellisException e) {
      throw e;
    } catch (Exception e) {
      throw new TrellisException("XSLT transformation failed: " + e.getMessage(), e);
    }
  }

  // A namespace-aware parser that refuses DOCTYPE declarations altogether, so
  // that no external DTD or entity is ever read and no entity is expanded.
  private static DocumentBuilder secureParser() throws ParserConfigurationException {
    DocumentBuilderFactory factory = DocumentBuilderFactory.newInstance();
    factory.setNamespaceAware(true);
    factory.setFeature(XMLConstants.FEATURE_SECURE_PROCESSING, true);
    factory.setFeature("http://apache.org/xml/features/disallow-doctype-decl", true);
    factory.setFeature("http://xml.org/sax/features/external-general-entities", false);
    factory.setFeature("http://xml.org/sax/features/external-parameter-entities", false);
    factory.setFeature("http://apache.org/xml/features/nonvalidating/load-external-dtd", false);
    factory.setAttribute(XMLConstants.ACCESS_EXTERNAL_DTD, "");
    factory.setAttribute(XMLConstants.ACCESS_EXTERNAL_SCHEMA, "");
    factory.setXIncludeAware(false);
    factory.setExpandEntityReferences(false);
    DocumentBuilder builder = factory.newDocumentBuilder();
    builder.setErrorHandler(new DefaultHandler());
    return builder;
  }

  private static HttpClient buildClient(String host, int port, String user, String password) {
    HttpClient.Builder builder = HttpClient.newBuilder()
        .version(HttpClient.Version.HTTP_1_1)
        .followRedirects(HttpClient.Redirect.NEVER)
        .connectTimeout(CONNECT_TIMEOUT);
    if (host == null) {
      builder.proxy(HttpClient.Builder.NO_PROXY);
      return builder.build();
    }
    builder.proxy(ProxySelector.of(InetSocketAddress.createUnresolved(host, port)));
    if (!user.isEmpty()) {
      final PasswordAuthentication credentials =
          new PasswordAuthentication(user, password.toCharArray());
      builder.authenticator(new Authenticator() {
        @Override
        protected PasswordAuthentication getPasswordAuthentication() {
          return getRequestorType() == RequestorType.PROXY ? credentials : null;
        }
      });
    }
    return builder.build();
  }

  private static String text(byte[] bytes) {
    return bytes == null ? "" : new String(bytes, StandardCharsets.UTF_8);
  }

  private static String encode(byte[] bytes) {
    return URLEncoder.encode(text(bytes), StandardCharsets.UTF_8);
  }

  private static String excerpt(byte[] body) {
    String text = text(body).strip();
    return text.length() <= 200 ? text : text.substring(0, 200) + "...";
  }
}
