package org.sorrel.trellis;

/** A failure of the Java side whose message is meant for the user as it stands. */
public final class TrellisException extends Exception {
  private static final long serialVersionUID = 1L;

  public TrellisException(String message) {
    super(message);
  }

  public TrellisException(String message, Throwable cause) {
    super(message, cause);
  }
}
