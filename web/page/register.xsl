<?xml version="1.0" encoding="UTF-8"?>
<!-- A patent's register data (bibliographic, family, legal status) as XHTML
     for the desk's register view. Every value is copied as text. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
                xmlns="http://www.w3.org/1999/xhtml">
  <xsl:output method="xml" encoding="UTF-8" indent="yes"/>
  <xsl:template match="/patent">
    <html>
      <head>
        <title>Register: <xsl:value-of select="concat(@country, ' ', @number, ' ', @kind)"/></title>
        <link rel="stylesheet" href="/page/register.css"/>
      </head>
      <body>
        <h1>Register: <xsl:value-of select="concat(@country, ' ', @number, ' ', @kind)"/></h1>
        <xsl:apply-templates select="biblio"/>
        <xsl:apply-templates select="family"/>
        <xsl:apply-templates select="legal"/>
      </body>
    </html>
  </xsl:template>
  <xsl:template match="biblio">
    <h2>Bibliographic data</h2>
    <dl>
      <dt>Title</dt><dd><xsl:value-of select="title"/></dd>
      <dt>Applicants</dt><dd><xsl:for-each select="applicants/applicant"><xsl:if test="position() &gt; 1">; </xsl:if><xsl:value-of select="."/></xsl:for-each></dd>
      <dt>Inventors</dt><dd><xsl:for-each select="inventors/inventor"><xsl:if test="position() &gt; 1">; </xsl:if><xsl:value-of select="."/></xsl:for-each></dd>
      <dt>Published</dt><dd><xsl:value-of select="dates/publication"/></dd>
      <dt>Classification</dt><dd><xsl:for-each select="classification/*"><xsl:if test="position() &gt; 1">; </xsl:if><xsl:value-of select="."/></xsl:for-each></dd>
    </dl>
  </xsl:template>
  <xsl:template match="family">
    <table>
      <caption>Family</caption>
      <tr><th scope="col">Country</th><th scope="col">Number</th><th scope="col">Kind</th></tr>
      <xsl:for-each select="member">
        <tr><td><xsl:value-of select="@country"/></td><td><xsl:value-of select="@number"/></td><td><xsl:value-of select="@kind"/></td></tr>
      </xsl:for-each>
    </table>
  </xsl:template>
  <xsl:template match="legal">
    <table>
      <caption>Legal status</caption>
      <tr><th scope="col">Date</th><th scope="col">Code</th><th scope="col">Event</th></tr>
      <xsl:for-each select="event">
        <tr><td><xsl:value-of select="@date"/></td><td><xsl:value-of select="@code"/></td><td><xsl:value-of select="."/></td></tr>
      </xsl:for-each>
    </table>
  </xsl:template>
</xsl:stylesheet>
